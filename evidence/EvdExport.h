/*
 * EvdExport: the evidence library's exported functions and records.
 *
 * Strings in records and arguments are 8-bit text of the ANSI code page,
 * NUL-terminated; the library zero-fills every field before it writes one
 * and stores at most the field size minus 2 bytes and a NUL. Integers are
 * 32-bit little-endian. The layout is the 32-bit one the suite's tools were
 * built against; on 64-bit hosts handle and pointer fields are pointer-sized.
 * Every function returns 0 on success or one of the EVD_E_ codes below.
 */
#ifndef EVD_EXPORT_H
#define EVD_EXPORT_H

#include <stddef.h>
#include <stdint.h>

#if defined(EVD_BUILDING_LIBRARY)
#define EVD_API __attribute__((visibility("default")))
#else
#define EVD_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct EvdWindow__* EVD_HWND;

enum
{
    EVD_PATH_FOLDER = 1, /* a folder or file of the computer named by path */
    EVD_PATH_NODE = 2    /* a library node named by id */
};

enum
{
    EVD_OK = 0,
    EVD_E_KIND = 1,       /* kind not allowed / path in no library area */
    EVD_E_DB_OPEN = 1001, /* 打开数据库失败！ */
    EVD_E_SKIN = 1002,    /* 皮肤资源加载失败！ */
    EVD_E_LIBPATH = 1003, /* 初始化档案库路径失败！ */
    EVD_E_CANCELLED = 1004,
    EVD_E_SOURCE_MISSING = 2001, /* 源文件不存在！ */
    EVD_E_NODE_MISSING = 2002,   /* 路径已被删除！ */
    EVD_E_BAD_ARGUMENT = 2003,
    EVD_E_PATH_MISMATCH = 2004, /* 文件路径不匹配目录！ */
    EVD_E_NAME_EXISTS = 2005
};

#pragma pack(push, 4)

typedef struct EVD_PATH_ITEM
{
    int32_t kind;    /* EVD_PATH_FOLDER or EVD_PATH_NODE */
    int32_t id;      /* node id; -1 for a folder of the computer */
    char path[1024]; /* full path */
    int32_t isDir;   /* 1 when path names a directory */
} EVD_PATH_ITEM;

typedef struct EVD_OPEN_PARAM
{
    char title[256];          /* caption; empty: "浏览" */
    EVD_PATH_ITEM start;      /* location to show first */
    int32_t viewFlags;        /* non-zero: several entries may be chosen */
    char filter[2048];        /* "desc|pattern|desc|pattern..." */
    char filterSelected[256]; /* description of the entry to preselect */
    EVD_HWND owner;
    int32_t browseMode;
} EVD_OPEN_PARAM;

typedef struct EVD_OPEN_RESULT
{
    int32_t capacity;     /* slots in items */
    int32_t count;        /* slots filled */
    EVD_PATH_ITEM* items; /* caller-owned */
} EVD_OPEN_RESULT;

typedef struct EVD_SAVE_PARAM
{
    char title[256]; /* caption; empty: "保存" */
    EVD_PATH_ITEM start;
    int32_t saveFlags; /* non-zero: save a file; zero: choose a folder */
    char filter[2048];
    char filterSelected[256];
    char defaultName[1024]; /* proposed file name; empty hides the name box */
    EVD_HWND owner;
    int32_t browseMode;
} EVD_SAVE_PARAM;

typedef struct EVD_SAVE_RESULT
{
    int32_t kind;
    int32_t id;
    char folder[1024];
    int32_t reserved; /* the head has the shape of an EVD_PATH_ITEM; kept 0 */
    char fileType[1024];
    char fileName[1024];
} EVD_SAVE_RESULT;

#pragma pack(pop)

#ifdef __cplusplus
#define EVD_STATIC_ASSERT static_assert
#else
#define EVD_STATIC_ASSERT _Static_assert
#endif

EVD_STATIC_ASSERT(sizeof(EVD_PATH_ITEM) == 1036, "EVD_PATH_ITEM layout");
EVD_STATIC_ASSERT(offsetof(EVD_PATH_ITEM, path) == 8, "EVD_PATH_ITEM.path");
EVD_STATIC_ASSERT(offsetof(EVD_PATH_ITEM, isDir) == 1032, "EVD_PATH_ITEM.isDir");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_PARAM, start) == 256, "EVD_OPEN_PARAM.start");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_PARAM, viewFlags) == 1292, "EVD_OPEN_PARAM.viewFlags");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_PARAM, filter) == 1296, "EVD_OPEN_PARAM.filter");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_PARAM, filterSelected) == 3344, "EVD_OPEN_PARAM.filterSelected");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_PARAM, owner) == 3600, "EVD_OPEN_PARAM.owner");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_PARAM, browseMode) == 3600 + sizeof(void*), "EVD_OPEN_PARAM.browseMode");
EVD_STATIC_ASSERT(offsetof(EVD_OPEN_RESULT, items) == 8, "EVD_OPEN_RESULT.items");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_PARAM, saveFlags) == 1292, "EVD_SAVE_PARAM.saveFlags");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_PARAM, filterSelected) == 3344, "EVD_SAVE_PARAM.filterSelected");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_PARAM, defaultName) == 3600, "EVD_SAVE_PARAM.defaultName");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_PARAM, owner) == 4624, "EVD_SAVE_PARAM.owner");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_PARAM, browseMode) == 4624 + sizeof(void*), "EVD_SAVE_PARAM.browseMode");
EVD_STATIC_ASSERT(sizeof(EVD_SAVE_RESULT) == 3084, "EVD_SAVE_RESULT layout");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_RESULT, fileType) == 1036, "EVD_SAVE_RESULT.fileType");
EVD_STATIC_ASSERT(offsetof(EVD_SAVE_RESULT, fileName) == 2060, "EVD_SAVE_RESULT.fileName");
#if UINTPTR_MAX == 0xFFFFFFFFu
EVD_STATIC_ASSERT(sizeof(EVD_OPEN_PARAM) == 3608, "EVD_OPEN_PARAM 32-bit layout");
EVD_STATIC_ASSERT(sizeof(EVD_OPEN_RESULT) == 12, "EVD_OPEN_RESULT 32-bit layout");
EVD_STATIC_ASSERT(sizeof(EVD_SAVE_PARAM) == 4632, "EVD_SAVE_PARAM 32-bit layout");
#endif

EVD_API int32_t Evd_InitLib(void);
EVD_API int32_t Evd_FiniLib(void);
EVD_API int32_t Evd_GetDefaultDir(EVD_PATH_ITEM* item);
EVD_API int32_t Evd_GetParentDir(int32_t id, EVD_PATH_ITEM* item);
EVD_API int32_t Evd_ShowOpenFileDlg(EVD_OPEN_PARAM* param, EVD_OPEN_RESULT* result);
EVD_API int32_t Evd_ShowSaveFileDlg(EVD_SAVE_PARAM* param, EVD_SAVE_RESULT* result);
EVD_API int32_t Evd_QueryPath(int32_t id, int32_t currentLibrary, char* buffer, int32_t length);
EVD_API int32_t Evd_QueryRelativeName(int32_t id, char* buffer, int32_t length);
EVD_API int32_t Evd_QueryPathRelativeName(const char* path, char* buffer, int32_t length);
EVD_API int32_t Evd_AddPathToCase(const char* path, int32_t kind, int32_t parentId, int32_t* newId);
EVD_API void Evd_ShowMsg(int32_t code);

#ifdef __cplusplus
}
#endif

#endif /* EVD_EXPORT_H */

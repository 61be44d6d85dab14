#pragma once
// In-memory records of the library store: one tree node, one setting-history
// row, and the search filter the query builder turns into SQL.

#include <cstdint>
#include <string>

namespace vel::evd {

// Node kinds (FileInfo.EVDFILETYPE).
enum : int32_t
{
    kKindFolder = 1,
    kKindVideo = 2,
    kKindPicture = 4,
    kKindOther = 8,
    kKindCase = 16,
    kKindYear = 32,
};

// Display priorities (FileInfo.SHOWPRIORITY); 200 marks the my-resources root.
enum : int32_t
{
    kPriorityFile = 80,
    kPriorityFolder = 90,
    kPriorityCase = 100,
    kPriorityMyResources = 200,
    kPriorityYear = 400,
};

inline bool IsFileKind(int32_t kind)
{
    return kind == kKindVideo || kind == kKindPicture || kind == kKindOther;
}

struct EVD_FILE_INFO
{
    int32_t ID = -1;
    int32_t PARENTID = -1;
    std::u16string NAME;
    std::u16string SRCPATH;
    std::u16string CREATETIME;
    std::u16string MODIFYTIME;
    int32_t EVDFILETYPE = -1;
    std::u16string CASEURL;
    int64_t FILESIZE = 0;
    int32_t LIBPATHID = -1;
    int32_t SHOWPRIORITY = -1;
    int32_t LEVEL = -1;
    std::u16string PARENTTREE;
    // Not stored: browser bookkeeping carried with the record.
    int32_t extra1 = -1;
    int32_t syncCfgId = -1;
    int32_t syncState = 0;
    std::u16string syncError;

    bool IsMyResourcesRoot() const
    {
        return EVDFILETYPE == kKindCase && SHOWPRIORITY == kPriorityMyResources;
    }
};

struct EVD_CFG_HISTORY
{
    int32_t ID = -1;
    std::u16string SEC;
    std::u16string KEY;
    std::u16string VALUE;
    std::u16string ADDTIME;
};

struct EVD_SEARCH_FILTER
{
    struct Order
    {
        std::u16string column;
        bool ascending = true;
    };
    int32_t parentId = -1;
    int32_t subtreeOf = -1;
    std::u16string createFrom, createTo;
    std::u16string modifyFrom, modifyTo;
    std::u16string keywords;
    std::u16string exactName;
    int32_t kind = -1;
    Order order[2];
    int32_t libPathIs = 0;
    int32_t libPathIsNot = 0;
    int32_t priorityIs = -1;
    int32_t priorityIsNot = -1;
    int32_t priorityFrom = -1;
    int32_t priorityTo = -1;
    int32_t pageIndex = -1;
    int32_t pageSize = -1;
};

// Section and key names of the settings.
inline constexpr char16_t kSecEvd[] = u"SEC_EVD";
inline constexpr char16_t kSecTotal[] = u"TOTAL";
inline constexpr char16_t kSecNas[] = u"SEC_NAS";
inline constexpr char16_t kSecLocal[] = u"SEC_LOCAL";
inline constexpr char16_t kKeyWorkCaseSet[] = u"WORK_CASE_SET";
inline constexpr char16_t kKeyWorkCase[] = u"WORK_CASE";
inline constexpr char16_t kKeyCurPath[] = u"CUR_PATH";
inline constexpr char16_t kKeyCasePath[] = u"CASE_PATH";
inline constexpr char16_t kKeyPublic[] = u"PUBLIC";
inline constexpr char16_t kKeyPerson[] = u"PERSON";
inline constexpr char16_t kKeyUserName[] = u"USERNAME";
inline constexpr char16_t kKeyLocalDir[] = u"LOCAL_DIR";

} // namespace vel::evd

#include "EvdResult.h"

namespace vel::evd {

const char16_t* ResultText(int32_t code)
{
    switch (code) {
    case kEvdDbOpenFailed:
        return u"打开数据库失败！";
    case kEvdSkinLoadFailed:
        return u"皮肤资源加载失败！";
    case kEvdLibPathFailed:
        return u"初始化档案库路径失败！";
    case kEvdSourceMissing:
        return u"源文件不存在！";
    case kEvdNodeMissing:
        return u"路径已被删除！";
    case kEvdPathMismatch:
        return u"文件路径不匹配目录！";
    default:
        return u"";
    }
}

} // namespace vel::evd

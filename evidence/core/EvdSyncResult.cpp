#include "EvdSyncResult.h"

#include <iterator>

namespace vel::evd {

namespace {

// Consecutive codes from `first`, one text each.
struct Group
{
    int32_t first;
    const char16_t* const* texts;
    size_t count;
};

constexpr const char16_t* kBasic[] = {
    u"内存不足!",         u"缓存空间不足!", u"磁盘空间不足!",     u"拒绝防问!",
    u"用户名或密码错误!", u"无效参数!",     u"无效句柄!",         u"调用接口未实现!",
    u"功能不支持!",       u"没有找到!",     u"没有找到相关文件!", u"没有找到相关路径!",
    u"文件已经存在!",     u"打开文件失败!", u"读取文件失败!",     u"写文件失败!",
    u"打开文件夹失败!",   u"创建线程失败!", u"调用顺序不正确!",   u"运行异常!",
    u"调用第三方库失败!", u"删除失败!",     u"用户取消操作!",     u"没有找到关联的应用程序!",
};

constexpr const char16_t* kNetwork[] = {
    u"打开Internet失败!",
    u"连接服务器失败!",
    u"打开请求失败!",
    u"发送请求失败!",
    u"服务器返回出错!",
    u"接收数据失败!",
    u"发送数据失败!",
    u"在服务器上创建目录失败!",
    u"删除服务器上的文件失败!",
    u"重命名服务器上的文件失败!",
    u"服务器上存储空间不足!",
    u"连接档案工作站失败！",
    u"连接档案工作站失败，不允许一个用户使用一个以上用户名与档案工作站连接。关闭档案工作站的所有资源，重新登"
    u"录！",
};

constexpr const char16_t* kPlatform[] = {
    u"获取请求中的参数异常！", u"Base64Util加密失败！",
    u"BBase64Util解密失败！",  u"REST请求出错！",
    u"参数不符合系统要求！",   u"获取NAS编码失败，检查是否为部门配置的NAS盘！",
    u"获取NAS对应的IP失败！",  u"获取NAS展示数据失败！",
    u"不能操作下级平台数据！", u"此目录不允许操作！",
    u"创建目录失败！",         u"文件名已存在！",
    u"文件不存在！",           u"修改XML内容中的picId出现异常！",
    u"删除文件失败！",         u"重命名失败！",
    u"消息已被删除！",         u"资源不存在，操作失败！",
};

constexpr const char16_t* kUpload[] = {
    u"文件ID已存在，请重新设置ID值！", u"一次只能上传一个文件！",
    u"没有获取到上传的文件！",         u"获取对应的ip、port信息出现异常,终止远程节点上传！",
    u"注册获取id后，才能断点续传！",   u"id不能为空！",
    u"通过id获取源文件失败！",         u"文件上传中出现异常！",
};

constexpr const char16_t* kStorage[] = {
    u"无更多可用授权存储空间！",
    u"本节的已经不能使用且注册其他节点也失败！",
    u"本节的已经不能使用且获取其他节点也为空！",
    u"nvr磁盘空间不足！",
    u"nvr最大用户数超过5个！",
    u"nvr notfullPassed！",
    u"nvr错误需查看错误码",
};

constexpr const char16_t* kToken[] = {
    u"没有相关用户信息！", u"请设置token值！", u"token值失效,用户名、密码已被修改！",
    u"token值过期！",      u"token值错误！",
};

constexpr const char16_t* kPlayer[] = {
    u"没有找到匹配的解码库!", u"打开音设备失败!",          u"播放声音失败!",     u"网络地址格式或协议不支持!",
    u"连接服务失败!",         u"下载流媒体数据失败!",      u"获取索引文件失败!", u"没有找到对应的关键帧!",
    u"没有找到对应的编码器!", u"打开编码器失败!",          u"编码失败!",         u"抓屏失败!",
    u"开始录制声音失败!",     u"视频格式不支持在线播放！",
};

constexpr Group kGroups[] = {
    {1001, kBasic, std::size(kBasic)},
    {0x1000002, kNetwork, std::size(kNetwork)},
    {0x1000064, kPlatform, std::size(kPlatform)},
    {0x1000096, kUpload, std::size(kUpload)},
    {0x10000c8, kStorage, std::size(kStorage)},
    {0x10000fa, kToken, std::size(kToken)},
    {0x2000001, kPlayer, std::size(kPlayer)},
};

} // namespace

const char16_t* SyncResultText(int32_t code)
{
    switch (code) {
    case 0:
        return u"执行成功!";
    case -1:
        return u"执行失败!";
    case 0x3000001:
        return u"选择文件失败!";
    case 0x3000002:
        return u"打开文件选择对话!";
    case 0x4000001:
        return u"执行失败!";
    default:
        break;
    }
    for (const Group& g : kGroups) {
        if (code >= g.first && size_t(int64_t(code) - g.first) < g.count)
            return g.texts[code - g.first];
    }
    return u"未知错误";
}

} // namespace vel::evd

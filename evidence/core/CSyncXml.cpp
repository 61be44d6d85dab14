#include "CSyncXml.h"

#include "EvdCaseFiles.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

namespace vel::evd {

namespace {

ZBXMLElement* FindEntry(const ZBXMLElement* doc, std::u16string_view attribute, std::u16string_view value)
{
    if (!doc || value.empty())
        return nullptr;
    for (ZBXMLElement* child : doc->GetChildren()) {
        if (EqualsIgnoreCase(child->GetName(), u"SyncInfo") &&
            EqualsIgnoreCase(child->GetAttributeValue(attribute), value))
            return child;
    }
    return nullptr;
}

void MakeHidden(const std::u16string& path)
{
    uint32_t a = fs::GetAttributes(path);
    if (a != fs::kInvalidAttributes && !(a & fs::kAttrHidden))
        fs::SetAttributes(path, (a & ~uint32_t(fs::kAttrDirectory | fs::kAttrNormal)) | fs::kAttrHidden);
}

// Fills a SyncInfo element from a record; false at the first attribute
// that cannot be set.
bool Fill(ZBXMLElement* e, const EVD_SYNC_ENTRY& r)
{
    auto set = [](ZBXMLElement* el, std::u16string_view name, const std::u16string& value) {
        return el && el->SetAttribute(name, std::u16string_view(value)) != nullptr;
    };
    if (!set(e, u"srcCurName", r.srcCurName) || !set(e, u"id", r.id) ||
        !set(e, u"status", ToString16(r.status)) || !set(e, u"err", r.err))
        return false;
    ZBXMLElement* last = e->GetOrAddChild(u"LastSync");
    const auto& l = r.lastSync;
    if (!set(last, u"type", ToString16(l.type)) || !set(last, u"modifyTime", l.modifyTime) ||
        !set(last, u"fileName", l.fileName) || !set(last, u"fileId", l.fileId) ||
        !set(last, u"updateTime", l.updateTime) || !set(last, u"fileSize", Format16(u"%I64d", l.fileSize)) ||
        !set(last, u"md5", l.md5) || !set(last, u"categoryId", l.categoryId) ||
        !set(last, u"archiveId", l.archiveId) || !set(last, u"ContainerType", ToString16(l.ContainerType)) ||
        !set(last, u"CanDel", ToString16(l.CanDel)) || !set(last, u"CanRename", ToString16(l.CanRename)))
        return false;
    ZBXMLElement* mark = e->GetOrAddChild(u"MarkLast");
    if (!set(mark, u"modifyTime", r.markLast.modifyTime) || !set(mark, u"fileId", r.markLast.fileId))
        return false;
    return e->GetOrAddChild(u"ProtoPic") != nullptr;
}

} // namespace

CSyncXml::CSyncXml() : m_lock(sync::ProcessLockName(u"Evd_SyncXml_Lock")) {}
CSyncXml::~CSyncXml() = default;

bool CSyncXml::Load(std::u16string_view path)
{
    m_path = std::u16string(path);
    m_doc.reset();
    if (fs::Exists(m_path) && !fs::IsDirectory(m_path))
        m_doc = ZBXMLElement::LoadFile(m_path);
    if (!m_doc)
        m_doc = ZBXMLElement::ParseText(u"<Sync></Sync>");
    return m_doc != nullptr;
}

bool CSyncXml::LoadBuffer(const void* bytes, size_t size)
{
    m_doc = ZBXMLElement::ParseBuffer(bytes, size);
    if (!m_doc)
        m_doc = ZBXMLElement::ParseText(u"<Sync></Sync>");
    return m_doc != nullptr;
}

bool CSyncXml::Save()
{
    if (!m_doc || m_path.empty())
        return false;
    std::u16string dir = fs::RemoveLastComponent(m_path);
    if (!dir.empty()) {
        if (!fs::DirectoryChainOk(fs::CreateDirectoryChain(dir)))
            return false;
        MakeHidden(dir);
        std::u16string parent = fs::RemoveLastComponent(dir);
        if (!parent.empty() && parent.size() > fs::RootOf(parent).size())
            MakeHidden(parent);
    }
    sync::NamedMutexLocker lock(&m_lock);
    // The hidden mark is cleared for the write and set again after it.
    if (fs::Exists(m_path))
        fs::SetAttributes(m_path, fs::kAttrNormal);
    bool ok = SaveDocument(*m_doc, m_path);
    MakeHidden(m_path);
    return ok;
}

ZBXMLElement* CSyncXml::FindByName(std::u16string_view localName) const
{
    return FindEntry(m_doc.get(), u"srcCurName", localName);
}

ZBXMLElement* CSyncXml::FindById(std::u16string_view platformId) const
{
    return FindEntry(m_doc.get(), u"id", platformId);
}

bool CSyncXml::WriteEntry(const EVD_SYNC_ENTRY& entry)
{
    if (!m_doc)
        return false;
    ZBXMLElement* e = FindById(entry.id);
    if (!e)
        e = FindByName(entry.srcCurName);
    if (!e)
        e = m_doc->AddChild(u"SyncInfo");
    if (!e || !Fill(e, entry))
        return false;
    return Save();
}

bool CSyncXml::ReadEntry(std::u16string_view localName, EVD_SYNC_ENTRY& out) const
{
    return ReadEntry(FindByName(localName), out);
}

bool CSyncXml::ReadEntry(const ZBXMLElement* e, EVD_SYNC_ENTRY& out)
{
    if (!e)
        return false;
    out = EVD_SYNC_ENTRY();
    out.srcCurName = e->GetAttributeValue(u"srcCurName");
    out.id = e->GetAttributeValue(u"id");
    out.status = ParseInt(e->GetAttributeValue(u"status"));
    out.err = e->GetAttributeValue(u"err");
    if (const ZBXMLElement* l = e->FindChild(u"LastSync")) {
        auto& d = out.lastSync;
        d.type = ParseInt(l->GetAttributeValue(u"type"));
        d.modifyTime = l->GetAttributeValue(u"modifyTime");
        d.fileName = l->GetAttributeValue(u"fileName");
        d.fileId = l->GetAttributeValue(u"fileId");
        d.updateTime = l->GetAttributeValue(u"updateTime");
        d.fileSize = ParseInt64(l->GetAttributeValue(u"fileSize"));
        d.md5 = l->GetAttributeValue(u"md5");
        d.categoryId = l->GetAttributeValue(u"categoryId");
        d.archiveId = l->GetAttributeValue(u"archiveId");
        d.ContainerType = ParseInt(l->GetAttributeValue(u"ContainerType"));
        d.CanDel = ParseInt(l->GetAttributeValue(u"CanDel"));
        d.CanRename = ParseInt(l->GetAttributeValue(u"CanRename"));
    }
    if (const ZBXMLElement* m = e->FindChild(u"MarkLast")) {
        out.markLast.modifyTime = m->GetAttributeValue(u"modifyTime");
        out.markLast.fileId = m->GetAttributeValue(u"fileId");
    }
    return true;
}

std::u16string CSyncXml::EntryText(const EVD_SYNC_ENTRY& entry)
{
    auto e = ZBXMLElement::ParseText(u"<SyncInfo></SyncInfo>");
    if (!e || !Fill(e.get(), entry))
        return {};
    return e->ToString(false, false);
}

} // namespace vel::evd

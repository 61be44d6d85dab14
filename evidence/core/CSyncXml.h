#pragma once
// The sync document of a case directory: per synchronised file, the file's
// identity on the platform side and the state of its last transfer.
//
//   <Sync>
//     <SyncInfo srcCurName=".." id=".." status=".." err="..">
//       <LastSync type=".." modifyTime=".." fileName=".." fileId=".." updateTime=".."
//                 fileSize=".." md5=".." categoryId=".." archiveId=".."
//                 ContainerType=".." CanDel=".." CanRename=".."/>
//       <MarkLast modifyTime=".." fileId=".."/>
//       <ProtoPic/>
//     </SyncInfo>
//   </Sync>
//
// Writes of any sync document are serialised machine-wide by the lock
// Global\Evd_SyncXml_Lock_PROCESSLOCK, held only while a document is saved.

#include "platform/sync/NamedMutex.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vel {
class ZBXMLElement;
}

namespace vel::evd {

struct EVD_SYNC_ENTRY
{
    std::u16string srcCurName; // local file name
    std::u16string id;         // platform file id
    int32_t status = 0;
    std::u16string err;
    struct
    {
        int32_t type = 0;
        std::u16string modifyTime, fileName, fileId, updateTime;
        int64_t fileSize = 0;
        std::u16string md5, categoryId, archiveId;
        int32_t ContainerType = 0, CanDel = 0, CanRename = 0;
    } lastSync;
    struct
    {
        std::u16string modifyTime, fileId;
    } markLast;
};

class CSyncXml
{
public:
    CSyncXml();
    ~CSyncXml();
    CSyncXml(const CSyncXml&) = delete;
    CSyncXml& operator=(const CSyncXml&) = delete;

    // Reads the document at `path`; a missing or unreadable file starts
    // from "<Sync></Sync>". True when a document exists afterwards.
    bool Load(std::u16string_view path);
    // The same from bytes already read (of any encoding the reader detects).
    bool LoadBuffer(const void* bytes, size_t size);
    // Writes the document to its path, hidden, in a hidden directory.
    bool Save();

    ZBXMLElement* FindByName(std::u16string_view localName) const;
    ZBXMLElement* FindById(std::u16string_view platformId) const;
    // Updates the entry with the record's platform id, else the one with its
    // local name, else appends one; then saves.
    bool WriteEntry(const EVD_SYNC_ENTRY& entry);
    bool ReadEntry(std::u16string_view localName, EVD_SYNC_ENTRY& out) const;
    static bool ReadEntry(const ZBXMLElement* element, EVD_SYNC_ENTRY& out);
    // One SyncInfo element on its own, as text (the XML column of SyncInfo).
    static std::u16string EntryText(const EVD_SYNC_ENTRY& entry);

    const std::u16string& Path() const { return m_path; }
    ZBXMLElement* Document() const { return m_doc.get(); }

private:
    std::u16string m_path;
    std::unique_ptr<ZBXMLElement> m_doc;
    sync::NamedMutex m_lock;
};

} // namespace vel::evd

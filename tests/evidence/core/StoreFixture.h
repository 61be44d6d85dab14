#pragma once
// A sandbox with an open library store and helpers that build a small tree.

#include "evidence/core/CEVDSqliteDb.h"
#include "platform/base/Strings.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace vel::evd::test {

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The sandbox comes first: the store's process lock is named (and its
    // lock folder fixed) when the store object is first made.
    std::unique_ptr<vel::test::Sandbox> box = std::make_unique<vel::test::Sandbox>();
    CEVDSqliteDb& db = CEVDSqliteDb::Instance();

    // Adds a library root directory (a TOTAL/CASE_PATH history entry) and
    // returns its id; the first one becomes current.
    int32_t AddRoot(const std::u16string& dir);
    int32_t AddCase(const std::u16string& name,
                    const std::u16string& createTime = u"2015-06-01 08:00:00.000");
    int32_t AddFolder(int32_t parent, const std::u16string& name);
    // A file node; `onDisk` also writes the file where its node path says.
    int32_t AddFile(int32_t parent, const std::u16string& name, int32_t kind = kKindVideo);
    EVD_FILE_INFO Node(int32_t id);
};

} // namespace vel::evd::test

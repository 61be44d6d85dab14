// A second process for the store tests.
//   evd_store_writer add PARENT_ID COUNT PREFIX   adds COUNT folders under a node
//   evd_store_writer hold                         takes the store lock and waits
#include "evidence/core/CEVDSqliteDb.h"
#include "platform/base/Strings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

using namespace vel;
using namespace vel::evd;

int main(int argc, char** argv)
{
    CEVDSqliteDb& db = CEVDSqliteDb::Instance();
    if (argc >= 2 && strcmp(argv[1], "hold") == 0) {
        db.ProcessLock().Lock();
        printf("locked\n");
        fflush(stdout);
        for (;;)
            pause();
    }
    if (argc < 5 || strcmp(argv[1], "add") != 0)
        return 2;
    if (!db.Open())
        return 3;
    int32_t parent = atoi(argv[2]);
    int count = atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        EVD_FILE_INFO f;
        f.PARENTID = parent;
        f.EVDFILETYPE = kKindFolder;
        f.NAME = Utf8ToUtf16(std::string(argv[4]) + "-" + std::to_string(i));
        if (!db.AddNode(f, nullptr, true))
            return 4;
    }
    db.Close();
    return 0;
}

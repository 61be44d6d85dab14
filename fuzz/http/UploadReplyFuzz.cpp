// Arbitrary bytes as the file service's answer to an upload: a real
// CPictureSender sends a small file to a loopback peer that answers with the
// input and closes. Oracles: the upload ends (no wait beyond the peer's
// close), its progress is 100 or -1, and 100 only when the answer holds the
// end of a response head.

#include "ReplyPeer.h"

#include "talk/CPictureSender.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

using namespace vel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fuzz::ReplyPeer* peer = new fuzz::ReplyPeer;
    static std::string path = [] {
        char name[] = "/tmp/vel-fuzz-upload-XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0) {
            (void)!write(fd, "picture bytes", 13);
            close(fd);
        }
        return std::string(name);
    }();

    std::string reply(reinterpret_cast<const char*>(data), size);
    std::thread serve = peer->Serve(reply, "7daf10c20d06--\r\n");
    int32_t progress;
    {
        CPictureSender s;
        if (s.Start("127.0.0.1", peer->Port(), "alice", 2, "bob", path) != 0)
            abort();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!s.Finished()) {
            if (std::chrono::steady_clock::now() > deadline)
                abort(); // the peer has closed: nothing may keep the upload waiting
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        progress = s.Progress();
    }
    serve.join();
    if (progress != 100 && progress != -1)
        abort();
    // The uploader looks at one receive of at most 10,240 bytes.
    std::string seen = reply.substr(0, CPictureSender::kResponseMax);
    if (progress == 100 && seen.find("\r\n\r\n") == std::string::npos)
        abort();
    return 0;
}

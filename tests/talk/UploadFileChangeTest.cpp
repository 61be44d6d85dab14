// An upload whose file changes on disk while it is being sent: the body
// must never disagree with the Content-Length already sent (a longer body
// corrupts the request, a shorter one leaves the server waiting), and an
// upload that cannot send what it announced ends in failure, not with a
// progress stuck below 100 that a host would poll for ever.

#include "talk/CPictureSender.h"
#include "tests/platform/http/HttpPeer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace vel;
using namespace vel::test;
using namespace std::chrono_literals;
using Conn = HttpPeer::Conn;

namespace {

const std::string kTail = "7daf10c20d06--\r\n";

struct UploadPeer
{
    // Reads the head, then waits for `go` before reading the rest, so the
    // sender is held up with most of the file still to send.
    UploadPeer()
        : peer([this](Conn& c, const std::string& head) {
              for (int i = 0; i < 500 && !go; ++i)
                  std::this_thread::sleep_for(10ms); // not reading
              std::string rest = c.Receive(kTail, 2000);
              std::string all = head + rest;
              size_t cl = all.find("Content-Length: ");
              size_t bodyAt = all.find("\r\n\r\n");
              if (cl != std::string::npos && bodyAt != std::string::npos) {
                  announced = std::stoull(all.substr(cl + 16));
                  sentBody = all.size() - (bodyAt + 4);
                  endsWithTail = all.size() >= kTail.size() &&
                                 all.compare(all.size() - kTail.size(), kTail.size(), kTail) == 0;
              }
              c.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
              done = true;
          })
    {
    }
    std::atomic<bool> go{false};
    std::atomic<uint64_t> announced{0}, sentBody{0};
    std::atomic<bool> endsWithTail{false};
    std::atomic<bool> done{false}; // the fields above are final
    bool WaitDone()
    {
        for (int i = 0; i < 500 && !done; ++i)
            std::this_thread::sleep_for(10ms);
        return done;
    }
    HttpPeer peer;
};

int32_t WaitEnd(CPictureSender& s, std::chrono::milliseconds wait = 20s)
{
    auto end = std::chrono::steady_clock::now() + wait;
    while (!s.Finished() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    return s.Finished() ? s.Progress() : -2;
}

class UploadFileChange : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path().string() + "/vel-upload-change-" + std::to_string(getpid());
        std::filesystem::create_directories(dir);
        file = dir + "/grow.bin";
        // Not a multiple of the 512-byte piece: the last read is a short one.
        std::ofstream(file, std::ios::binary) << std::string((32 << 20) + 100, 'a');
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir, file;
};

} // namespace

TEST_F(UploadFileChange, AFileThatGrowsIsSentAsLongAsAnnounced)
{
    UploadPeer p;
    CPictureSender s;
    ASSERT_EQ(s.Start("127.0.0.1", p.peer.Port(), "u", 2, "v", file), 0);
    std::this_thread::sleep_for(200ms);
    ASSERT_LT(s.Progress(), 100) << "the peer should be holding the sender up";
    std::ofstream(file, std::ios::binary | std::ios::app) << std::string(100000, 'b');
    p.go = true;
    EXPECT_EQ(WaitEnd(s), 100);
    s.Stop();
    ASSERT_TRUE(p.WaitDone());
    EXPECT_TRUE(p.endsWithTail);
    EXPECT_EQ(p.sentBody.load(), p.announced.load()) << "the body disagrees with its Content-Length";
}

TEST_F(UploadFileChange, AFileThatShrinksFailsTheUpload)
{
    UploadPeer p;
    CPictureSender s;
    ASSERT_EQ(s.Start("127.0.0.1", p.peer.Port(), "u", 2, "v", file), 0);
    std::this_thread::sleep_for(200ms);
    ASSERT_LT(s.Progress(), 100);
    std::filesystem::resize_file(file, 1000);
    p.go = true;
    EXPECT_EQ(WaitEnd(s), -1) << "an upload that sent less than it announced must not end as anything but a failure";
    s.Stop();
    ASSERT_TRUE(p.WaitDone());
    EXPECT_LT(p.sentBody.load(), p.announced.load());
    EXPECT_FALSE(p.endsWithTail) << "the body tail must not follow a short body";
}

#include "CaptureImage.h"
#include "ControlServer.h"
#include "PeerTestSupport.h"

#include <gtest/gtest.h>

namespace pd::peer {
namespace {

TEST(ControlServer, ServesSeveralLinksAtOnceAndStopsWithLinksOpen) {
    test::TempFolder dir;
    std::filesystem::create_directories(dir.path() / "disk" / "c");
    std::optional<DiskTree> disk = DiskTree::open(dir.path() / "disk");
    ASSERT_TRUE(disk);
    ClassStore classes(dir.path() / "classes.json");
    SessionConfig config;
    config.disk = &*disk;
    config.classes = &classes;
    config.checkCode = "42";
    config.ports.upload = 2121;
    std::unique_ptr<ControlServer> server = ControlServer::start("127.0.0.1", 0, config);
    ASSERT_TRUE(server);
    ASSERT_NE(server->port(), 0);

    test::LinkClient first(test::connectLoopback(server->port()));
    test::LinkClient second(test::connectLoopback(server->port()));
    EXPECT_EQ(second.handshake("42"), kOk);
    EXPECT_EQ(first.handshake("41"), kAuthRefused);

    // The "PASV" reply names the address the phone reached.
    msg::Packer pasv;
    pasv.array(3).integer(4000).integer(99999).raw("PASV");
    second.send(100, pasv.bytes());
    std::optional<test::LinkClient::Message> reply = second.nextMessage();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->root()[3].asRaw(), "227 127.0.0.1:2121");

    server->stop();  // links still open: their loops are woken and joined
    EXPECT_TRUE(first.waitClosed());
    EXPECT_TRUE(second.waitClosed());
}

TEST(ControlServer, ABusyPortIsReportedNotFatal) {
    test::TempFolder dir;
    std::optional<DiskTree> disk = DiskTree::open(dir.path());
    ClassStore classes(dir.path() / "classes.json");
    SessionConfig config;
    config.disk = &*disk;
    config.classes = &classes;
    std::unique_ptr<ControlServer> first = ControlServer::start("127.0.0.1", 0, config);
    ASSERT_TRUE(first);
    EXPECT_FALSE(ControlServer::start("127.0.0.1", first->port(), config));
    EXPECT_FALSE(ControlServer::start("not-an-address", 0, config));
}

TEST(CaptureImage, IsAJpegOfAFewKilobytes) {
    std::string jpeg = CaptureImage::render(1700000000);
    ASSERT_GT(jpeg.size(), 1000u);
    EXPECT_LT(jpeg.size(), 64u * 1024);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    EXPECT_NE(CaptureImage::render(1700000001), jpeg);  // the time is drawn on it
}

}  // namespace
}  // namespace pd::peer

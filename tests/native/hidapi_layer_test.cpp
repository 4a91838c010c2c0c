// The native HID layer over hidapi, with hidapi's calls replaced: how hidraw's enumeration (one node per
// interface, listed once per top-level collection) becomes collections, and how reads, writes and closes
// reach the library, alone and under the hardware backend.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid_keyboard.h"
#include "hid/hidapi_layer.h"

namespace {

using namespace std::chrono_literals;

// The stand-in library's state; its calls are plain functions, as hidapi's are.
struct FakeHidapi {
    std::mutex mu;
    struct Node {
        std::string path;
        unsigned short vendorId, productId, usagePage, usage;
    };
    std::vector<Node> nodes;
    std::vector<std::pair<unsigned short, unsigned short>> enumerateFilters;
    int freed = 0;
    std::vector<std::string> opened;
    int closed = 0;
    std::deque<int> readResults;  // -1 fails; otherwise a report of that many bytes
    std::vector<std::vector<unsigned char>> written;
    std::vector<hid_device_info> infos;
    int handles[8] = {};
};
FakeHidapi* gFake = nullptr;

hid_device_info* FakeEnumerate(unsigned short vendorId, unsigned short productId) {
    std::lock_guard<std::mutex> lock(gFake->mu);
    gFake->enumerateFilters.emplace_back(vendorId, productId);
    auto& infos = gFake->infos;
    infos.assign(gFake->nodes.size(), hid_device_info{});
    for (std::size_t i = 0; i < infos.size(); ++i) {
        const auto& n = gFake->nodes[i];
        infos[i].path = const_cast<char*>(n.path.c_str());
        infos[i].vendor_id = n.vendorId;
        infos[i].product_id = n.productId;
        infos[i].usage_page = n.usagePage;
        infos[i].usage = n.usage;
        infos[i].next = i + 1 < infos.size() ? &infos[i + 1] : nullptr;
    }
    return infos.empty() ? nullptr : infos.data();
}
void FakeFree(hid_device_info*) {
    std::lock_guard<std::mutex> lock(gFake->mu);
    ++gFake->freed;
}
hid_device* FakeOpen(const char* path) {
    std::lock_guard<std::mutex> lock(gFake->mu);
    gFake->opened.emplace_back(path);
    return reinterpret_cast<hid_device*>(&gFake->handles[gFake->opened.size() % 8]);
}
int FakeRead(hid_device*, unsigned char* data, std::size_t length, int milliseconds) {
    {
        std::lock_guard<std::mutex> lock(gFake->mu);
        if (!gFake->readResults.empty()) {
            const int n = gFake->readResults.front();
            gFake->readResults.pop_front();
            for (int i = 0; i < n && static_cast<std::size_t>(i) < length; ++i) data[i] = static_cast<unsigned char>(i);
            return n;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return 0;
}
int FakeWrite(hid_device*, const unsigned char* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(gFake->mu);
    gFake->written.emplace_back(data, data + length);
    return static_cast<int>(length);
}
int FakeFeature(hid_device*, const unsigned char*, std::size_t length) { return static_cast<int>(length); }
// Node 3 carries the vendor and consumer collections, numbered 4 and 3; node 4 only the indicator.
bool FakeDescriptor(const char* path, std::vector<uint8_t>& out) {
    if (std::string(path) == "/dev/hidraw3") {
        out = {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02,
               0x91, 0x02, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x75, 0x10, 0x95, 0x01,
               0x81, 0x00, 0xC0};
        return true;
    }
    return false;
}
void FakeClose(hid_device*) {
    std::lock_guard<std::mutex> lock(gFake->mu);
    ++gFake->closed;
}

class HidapiLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        gFake = &fake_;
        // One interface carrying the vendor and consumer collections, another with the indicator.
        fake_.nodes = {{"/dev/hidraw3", 0x0C45, 0x7A31, 0xFF1C, 0x0092},
                       {"/dev/hidraw3", 0x0C45, 0x7A31, 0x000C, 0x0001},
                       {"/dev/hidraw4", 0x0C45, 0x7A31, 0x0008, 0x0089}};
        qvx::hid::HidapiCalls calls;
        calls.enumerate = &FakeEnumerate;
        calls.freeEnumeration = &FakeFree;
        calls.openPath = &FakeOpen;
        calls.readTimeout = &FakeRead;
        calls.write = &FakeWrite;
        calls.sendFeatureReport = &FakeFeature;
        calls.close = &FakeClose;
        calls.readDescriptor = &FakeDescriptor;
        layer_ = std::make_unique<qvx::hid::HidapiLayer>(calls);
    }
    void TearDown() override { gFake = nullptr; }

    FakeHidapi fake_;
    std::unique_ptr<qvx::hid::HidapiLayer> layer_;
};

TEST_F(HidapiLayerTest, EachCollectionOfASharedNodeIsItsOwnCollection) {
    const qvx::hid::HidPort port = layer_->Port();
    std::vector<std::string> ids;
    ASSERT_TRUE(port.enumerate(port.context, ids));
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(qvx::hid::HidapiLayer::PathOf(ids[0]), "/dev/hidraw3");
    EXPECT_EQ(qvx::hid::HidapiLayer::PathOf(ids[1]), "/dev/hidraw3");
    EXPECT_EQ(fake_.freed, 1);
    ASSERT_EQ(fake_.enumerateFilters.size(), 1u);  // only this keyboard is listed at all
    EXPECT_EQ(fake_.enumerateFilters[0].first, 0x0C45);
    EXPECT_EQ(fake_.enumerateFilters[0].second, 0x7A31);

    qvx::hid::HidAttributes a;
    qvx::hid::HidCaps c;
    ASSERT_TRUE(port.attributes(port.context, ids[1], a));
    ASSERT_TRUE(port.caps(port.context, ids[1], c));
    EXPECT_EQ(a.vendorId, 0x0C45);
    EXPECT_EQ(c.usagePage, 0x000C);
    EXPECT_EQ(c.inputReportIds, std::vector<uint8_t>{3});  // the node's other reports are the vendor's
    ASSERT_TRUE(port.caps(port.context, ids[0], c));
    EXPECT_EQ(c.inputReportIds, std::vector<uint8_t>{4});
    EXPECT_EQ(c.outputReportLength, 64);
    ASSERT_TRUE(port.caps(port.context, ids[2], c));
    EXPECT_TRUE(c.inputReportIds.empty());  // no descriptor: every report, lengths not known
    EXPECT_EQ(c.outputReportLength, 0);
    EXPECT_FALSE(port.attributes(port.context, "/dev/hidraw9|0001:0002", a));

    // A hidapi that lists node 3 under its first collection only: the consumer collection still appears.
    fake_.nodes.erase(fake_.nodes.begin() + 1);
    ASSERT_TRUE(port.enumerate(port.context, ids));
    ASSERT_EQ(ids.size(), 3u);
    ASSERT_TRUE(port.caps(port.context, "/dev/hidraw3|000C:0001", c));
    EXPECT_EQ(c.inputReportIds, std::vector<uint8_t>{3});
    ASSERT_TRUE(port.attributes(port.context, "/dev/hidraw3|000C:0001", a));
    EXPECT_EQ(a.productId, 0x7A31);

    fake_.nodes.clear();  // unplugged: the next enumeration forgets every collection
    ASSERT_TRUE(port.enumerate(port.context, ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_FALSE(port.caps(port.context, "/dev/hidraw3|000C:0001", c));
}

TEST_F(HidapiLayerTest, TheBackendReadsWritesAndReopensThroughHidapi) {
    qvx::hid::HidKeyboardTimings timings;
    timings.scanInterval = 20ms;
    timings.readTimeoutMs = 10;
    timings.retryDelay = 10ms;
    qvx::hid::HidKeyboard hid(layer_->Port(), timings);
    ASSERT_GT(hid.Start(), 0);
    EXPECT_EQ(hid.DeviceCount(kv::kVendorCollection), 1);
    EXPECT_EQ(hid.DeviceCount(kv::kConsumerCollection), 1);
    EXPECT_EQ(hid.DeviceCount(kv::kIndicatorCollection), 1);

    std::vector<unsigned char> report(64, 0);
    report[0] = 0x04;
    EXPECT_EQ(hid.WriteReport(kv::kVendorCollection, report.data(), report.size()), 64);
    {
        std::lock_guard<std::mutex> lock(fake_.mu);
        ASSERT_EQ(fake_.written.size(), 1u);
        EXPECT_EQ(fake_.written[0], report);
        EXPECT_EQ(fake_.opened.back(), "/dev/hidraw3");
        fake_.readResults = {-1};  // the reader's first read fails: it closes and opens the node again
    }
    static std::atomic<int> calls{0};
    calls = 0;
    const uint32_t h = hid.Subscribe(kv::kVendorCollection, [](const kv::ServiceNotification*) { return ++calls, 1; },
                                     kv::kTagCtrl);
    ASSERT_NE(h, 0u);
    bool reopened = false;
    for (int i = 0; i < 500 && !reopened; ++i) {
        std::this_thread::sleep_for(10ms);
        std::lock_guard<std::mutex> lock(fake_.mu);
        reopened = fake_.opened.size() >= 3 && fake_.closed >= 1;
    }
    EXPECT_TRUE(reopened);
    hid.Stop();
    std::lock_guard<std::mutex> lock(fake_.mu);
    EXPECT_EQ(fake_.closed, static_cast<int>(fake_.opened.size()));  // every node opened was closed
}

}  // namespace

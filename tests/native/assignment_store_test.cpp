// Storing assignments into the working data while another thread reads it, as a save does.
#include "keys/assignment_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keys/key_catalogue.h"

namespace kv {
namespace {

// A save running between the slot's store and its text's would write a text slot with an empty text.
TEST(AssignmentStore, AProgramOrTextSlotIsNeverSeenWithoutItsText) {
    ProfileData data;
    const unsigned key = static_cast<unsigned>(KeyIndexOf(0x01E));
    std::atomic<bool> done{false};
    std::atomic<int> seenEmpty{0};
    // The saver grabs the lock whenever it comes free, as often as it can.
    std::thread saver([&] {
        while (!done.load()) {
            if (!data.lock.try_lock()) continue;
            const KeySlot slot = ReadSlot(data.content.Table(), 1, key);
            const TextEntry& text = data.content.texts[SlotNumber(1, key)];
            if (TypeHasText(slot.type) && (!text.present || text.text.empty())) ++seenEmpty;
            data.lock.unlock();
        }
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    for (int i = 0; std::chrono::steady_clock::now() < end && seenEmpty.load() == 0; ++i) {
        ASSERT_TRUE(StoreTextAssignment(data, 1, key, i % 2 ? ASSIGN_TEXT : ASSIGN_PROGRAM, u"C:\\Tools\\run.exe"));
        std::this_thread::yield();
    }
    done = true;
    saver.join();
    EXPECT_EQ(seenEmpty.load(), 0);
    EXPECT_EQ(data.content.texts[SlotNumber(1, key)].text, u"C:\\Tools\\run.exe");
}

}  // namespace
}  // namespace kv

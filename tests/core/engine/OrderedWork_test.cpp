#include "core/engine/OrderedWork.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using mervalon::engine::OrderedWork;

struct Item {
    int given = 0;
    int worked = 0;
    std::size_t worker = 0;
};

// Work that takes longer for the earlier items, so that later ones are done first.
void slowFirst(Item& item, std::size_t worker)
{
    std::this_thread::sleep_for(std::chrono::microseconds(200 * ((item.given % 4) == 0 ? 5 : 1)));
    item.worked = item.given * 10;
    item.worker = worker;
}

TEST(OrderedWork, BatchesComeBackInTheOrderGivenWhateverTheirTime)
{
    for (const std::size_t workers : {1u, 2u, 4u}) {
        for (const std::size_t slots : {1u, 2u, 5u}) {
            SCOPED_TRACE("workers " + std::to_string(workers) + ", slots " + std::to_string(slots));
            OrderedWork<Item> work(workers, slots, slowFirst);
            int given = 0;
            std::vector<int> taken;
            while (taken.size() < 40) {
                for (Item* item = nullptr; given < 40 && (item = work.freeSlot()) != nullptr;) {
                    item->given = given++;
                    work.submit();
                }
                Item& oldest = work.takeOldest();
                EXPECT_EQ(oldest.worked, oldest.given * 10);
                taken.push_back(oldest.given);
                work.releaseOldest();
            }
            for (int i = 0; i < 40; ++i) {
                EXPECT_EQ(taken[static_cast<std::size_t>(i)], i);
            }
            EXPECT_FALSE(work.pending());
        }
    }
}

TEST(OrderedWork, TheGivingThreadWorksOnWhatNoWorkerHasTaken)
{
    std::atomic<bool> firstTaken{false};
    std::atomic<bool> release{false};
    // The one worker is held by the first item until the giving thread has done the second.
    OrderedWork<Item> work(1, 3, [&](Item& item, std::size_t worker) {
        if (item.given == 0) {
            firstTaken = true;
            while (!release) {
                std::this_thread::yield();
            }
        }
        item.worked = item.given * 10;
        item.worker = worker;
    });
    work.freeSlot()->given = 0;
    work.submit();
    while (!firstTaken) {
        std::this_thread::yield();
    }
    work.freeSlot()->given = 1;
    work.submit();
    EXPECT_FALSE(work.oldestDone());
    EXPECT_TRUE(work.workOnNext(1));
    EXPECT_FALSE(work.workOnNext(1)); // nothing left to take
    release = true;
    EXPECT_EQ(work.takeOldest().worker, 0U);
    work.releaseOldest();
    EXPECT_TRUE(work.oldestDone());
    const Item& second = work.takeOldest();
    EXPECT_EQ(second.worked, 10);
    EXPECT_EQ(second.worker, 1U);
    work.releaseOldest();
}

TEST(OrderedWork, EndingWithBatchesStillGivenWaitsOnlyForTheWorkBegun)
{
    std::atomic<int> done{0};
    {
        OrderedWork<Item> work(2, 6, [&](Item&, std::size_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ++done;
        });
        for (Item* item = nullptr; (item = work.freeSlot()) != nullptr;) {
            work.submit();
        }
    }
    EXPECT_LE(done.load(), 6);
}

} // namespace

#include "store/StoreTable.h"
#include "store/TableLock.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace quorvel {
namespace {

// Two writers post to their own rows while a reader follows the total: the table's lock keeps
// every version, log entry and the running sum consistent.
TEST(TableThreadTest, ConcurrentPostsUnderTheTableLockStayConsistent) {
    TStoreTable table;
    table.AddField("id", TFieldType::Integer);
    table.AddDecimalField("preco", 4);
    TStoreField& soma = table.AddAggregateField("soma", "Sum(preco)");
    table.SetAggregatesActive(true);
    table.CreateDataSet();
    for (int id = 0; id < 2; ++id) {
        table.Append();
        table.FieldByName("id").SetAsInteger(id);
        table.FieldByName("preco").SetAsInteger(0);
        table.Post();
    }
    constexpr int kPosts = 400;
    auto writer = [&](int id) {
        for (int i = 1; i <= kPosts; ++i) {
            std::lock_guard lock(table.Mutex());
            ASSERT_TRUE(table.Locate("id", std::int64_t{id}));
            table.Edit();
            table.FieldByName("preco").SetAsInteger(i);
            table.Post();
        }
    };
    std::atomic<bool> done{false};
    double last = 0;
    bool decreased = false;
    std::thread reader([&] {
        while (!done) {
            const double now = soma.AsFloat();
            if (now < last) decreased = true;
            last = now;
        }
    });
    std::thread a(writer, 0);
    std::thread b(writer, 1);
    a.join();
    b.join();
    done = true;
    reader.join();
    EXPECT_FALSE(decreased);
    EXPECT_DOUBLE_EQ(soma.AsFloat(), 2.0 * kPosts);
    EXPECT_EQ(table.Data().changeLog.size(), 2u + 2 * kPosts);
    EXPECT_EQ(table.Data().rows.size(), 2u + 2 * kPosts);
    EXPECT_EQ(table.RecordCount(), 2);
}

// The table's lock is taken again by the thread that holds it without waiting, and another thread
// gets it only once every one of those has been given back.
TEST(TableThreadTest, LockTakenAgainByItsHolderIsFreeOnlyAfterTheLastRelease) {
    TableLock lock;
    const auto otherGetsIt = [&lock] {
        bool got = false;
        std::thread other([&] {
            got = lock.try_lock();
            if (got) lock.unlock();
        });
        other.join();
        return got;
    };
    lock.lock();
    ASSERT_TRUE(lock.try_lock());
    lock.lock();
    EXPECT_FALSE(otherGetsIt());
    lock.unlock();
    lock.unlock();
    EXPECT_FALSE(otherGetsIt());
    lock.unlock();
    EXPECT_TRUE(otherGetsIt());
    // Taken and given back by another thread, it is the holder's own again.
    lock.lock();
    lock.lock();
    lock.unlock();
    EXPECT_FALSE(otherGetsIt());
    lock.unlock();
    EXPECT_TRUE(otherGetsIt());
}

} // namespace
} // namespace quorvel

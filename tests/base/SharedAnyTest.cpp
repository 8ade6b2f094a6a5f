#include <gtest/gtest.h>

#include <vector>

#include "base/SharedAny.h"

namespace {

struct Counted {
    explicit Counted(int& alive) : m_alive(alive) { ++m_alive; }
    virtual ~Counted() { --m_alive; }
    int& m_alive;
};

struct Derived : Counted {
    Derived(int& alive, int& derivedAlive) : Counted(alive), m_derivedAlive(derivedAlive) { ++m_derivedAlive; }
    ~Derived() override { --m_derivedAlive; }
    int& m_derivedAlive;
};

using Holder = shared_any<Counted*, close_delete, null_t>;

}  // namespace

TEST(SharedAny, LastHolderDeletesTheObject) {
    int alive = 0;
    {
        Holder first(new Counted(alive));
        std::vector<Holder> list{first};
        std::vector<Holder> other{first};
        EXPECT_EQ(first.use_count(), 3);
        EXPECT_EQ(list[0].get(), other[0].get());
        first.reset();
        list.clear();
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(SharedAny, EmptyHolderIsTheNullState) {
    Holder empty;
    EXPECT_TRUE(empty.is_null());
    EXPECT_TRUE(empty == null_t());
    EXPECT_FALSE(static_cast<bool>(empty));
    Holder fromNull = null_t();
    EXPECT_TRUE(fromNull.is_null());
    int alive = 0;
    Holder full(new Counted(alive));
    EXPECT_TRUE(full != null_t());
    EXPECT_EQ(&full->m_alive, &alive);
    full = null_t();
    EXPECT_EQ(alive, 0);
}

TEST(SharedAny, DerivedObjectsAreDeletedAsWhatTheyAre) {
    int alive = 0;
    int derivedAlive = 0;
    {
        shared_any<Derived*, close_delete, null_t> derived(new Derived(alive, derivedAlive));
        Holder base = derived;
        EXPECT_EQ(base.use_count(), 2);
        Holder direct(new Derived(alive, derivedAlive));
        EXPECT_EQ(derivedAlive, 2);
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(derivedAlive, 0);
}

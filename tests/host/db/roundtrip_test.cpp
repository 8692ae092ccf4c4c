// Every row model through a real in-memory SQLite database and back.
#include <gtest/gtest.h>

#include <type_traits>

#include "db/Database.h"
#include "orm/RaidDataModels.h"

using namespace DatabaseORM;
namespace M = RaidDataModels;

namespace {
// Distinct non-default values in every member; texts carry characters that SQL text is made of.
template <class T> T filled() {
    T model;
    int n = 0;
    T::forEachField([&](auto member, const char*, int role) {
        ++n;
        auto& value = model.*member;
        using V = std::remove_reference_t<decltype(value)>;
        if constexpr (std::is_same_v<V, int>) {
            value = role == 0 ? INT_MIN : -n * 1000;
        } else if constexpr (std::is_same_v<V, unsigned long>) {
            const unsigned long samples[] = {18446744071562067968ul, 18446744073709551614ul, 0ul, 9223372036854775808ul,
                                             42ul};
            value = samples[n % 5];
        } else if constexpr (std::is_same_v<V, std::string>) {
            value = "v" + std::to_string(n) + " it's; DROP TABLE PD; -- \n'' \"q\" ?";
        } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
            value = {"a", "b'c", "d;--"};
        } else {
            value = n + 0.25;
        }
    });
    return model;
}

// Every member but the row ID reads back as written.
template <class T> void expectSameExceptId(const T& expected, const T& actual) {
    T::forEachField([&](auto member, const char* name, int role) {
        if (role != 0) {
            EXPECT_EQ(expected.*member, actual.*member) << "column " << name;
        }
    });
}

template <class T, class = void> struct HasRowId : std::false_type {};
template <class T> struct HasRowId<T, std::void_t<decltype(T::ID)>> : std::true_type {};

class RoundTrip : public ::testing::Test {
protected:
    std::shared_ptr<storage_t> db = DatabaseWrapper::resetDatabaseForTests();

    // A filled model reads back whole; a default row next to it does not match its key.
    template <class T, class Member> void roundTrip(Member key) {
        SCOPED_TRACE(db->findTableName<T>());
        const T model = filled<T>();
        db->insert(model);
        db->insert(T{});
        const auto rows = db->get_all<T>(where(is_equal(key, model.*key)));
        ASSERT_EQ(rows.size(), 1u);
        expectSameExceptId(model, rows[0]);
        if constexpr (HasRowId<T>::value) {
            EXPECT_EQ(rows[0].ID, 1) << "the database assigns the row ID";
        }
    }
};

TEST_F(RoundTrip, EveryModel) {
    roundTrip<M::Plugin>(&M::Plugin::Name);
    roundTrip<M::Adapter>(&M::Adapter::GlobalAdapterNumber);
    roundTrip<M::PD>(&M::PD::AuxNumber);
    roundTrip<M::LD>(&M::LD::Name);
    roundTrip<M::PD_LD>(&M::PD_LD::LogicalDriveUniqueID);
}

TEST_F(RoundTrip, DefaultsReadBackAsDefaults) {
    db->insert(M::PD{});
    db->insert(M::LD{});
    const auto pds = db->get_all<M::PD>(where(is_equal(&M::PD::ID, 1)));
    ASSERT_EQ(pds.size(), 1u);
    expectSameExceptId(M::PD{}, pds[0]);
    EXPECT_EQ(pds[0].ObjectID, 18446744071562067968ul);
    const auto lds = db->get_all<M::LD>(where(is_equal(&M::LD::ID, 1)));
    ASSERT_EQ(lds.size(), 1u);
    expectSameExceptId(M::LD{}, lds[0]);
}

TEST_F(RoundTrip, UnsignedValuesAboveInt64MaxAreStoredExactly) {
    M::LD ld;
    ld.ObjectID = 18446744071562067968ul;
    ld.LogicalSize = 18446744073709551614ul;
    ld.PhysicalSize = 9223372036854775808ul;
    db->insert(ld);
    EXPECT_EQ(db->dao()->query("SELECT ObjectID, LogicalSize, PhysicalSize, typeof(LogicalSize) FROM LD"),
              (std::vector<std::vector<std::string>>{
                  {"18446744071562067968", "18446744073709551614", "9223372036854775808", "integer"}}));
}

TEST_F(RoundTrip, ListAndNullTexts) {
    M::Adapter adapter;
    adapter.DeviceTypes = {"a", "b"};
    adapter.Name = "NULL";
    db->insert(adapter);
    EXPECT_EQ(db->dao()->query("SELECT DeviceTypes, Name FROM Adapter"),
              (std::vector<std::vector<std::string>>{{"a?b", "NULL"}}));
    const auto rows = db->get_all<M::Adapter>(where(is_equal(&M::Adapter::DeviceTypes, "a?b")));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].DeviceTypes, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(rows[0].Name, "NULL");
}

TEST_F(RoundTrip, MaxProbeOnEmptyTableIsZeroThenIdsCount) {
    EXPECT_EQ(db->max(&M::Plugin::ID), 0);
    db->insert(M::Plugin{});
    db->insert(M::Plugin{});
    EXPECT_EQ(db->max(&M::Plugin::ID), 2);
}

TEST_F(RoundTrip, UpdateSelectAndRemoveByKey) {
    db->insert(filled<M::Adapter>());
    M::Adapter changed;
    changed.ID = 1;
    changed.GlobalAdapterNumber = 7;
    changed.Name = "renamed 'x'";
    db->update(changed);
    const auto after = db->get_all<M::Adapter>(where(is_equal(&M::Adapter::GlobalAdapterNumber, 7)));
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].ID, 1);
    expectSameExceptId(changed, after[0]);

    M::LD ld;
    ld.Name = "md0";
    ld.UniqueID = "uid";
    ld.AuxNumber2 = 1;
    ld.Number = 0;
    ld.HostName = "localhost";
    db->insert(ld);
    const auto rows = db->select(columns(&M::LD::ID, &M::LD::UniqueID), where(is_equal(&M::LD::Name, "md0")));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], std::make_tuple(1, std::string("uid")));
    db->remove_all<M::LD>(
        where(and_condition(and_condition(is_equal(&M::LD::AuxNumber2, 1), is_equal(&M::LD::Number, 0)),
                            is_equal(&M::LD::HostName, "localhost"))));
    EXPECT_TRUE(db->get_all<M::LD>(where(is_equal(&M::LD::Name, "md0"))).empty());
}
} // namespace

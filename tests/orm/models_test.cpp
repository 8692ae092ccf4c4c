// Statements for the host's row models, as the plugin's synchronisation issues them.
#include <gtest/gtest.h>

#include "FakeDAO.h"
#include "db/Database.h"
#include "orm/RaidDataModels.h"

using namespace DatabaseORM;
namespace M = RaidDataModels;

namespace {
class ModelStatements : public ::testing::Test {
protected:
    std::shared_ptr<FakeDAO> dao = std::make_shared<FakeDAO>();
    std::shared_ptr<storage_t> db = DatabaseWrapper::makeStorage(dao);
};

TEST_F(ModelStatements, InsertsProbeTheIdAndNameEveryColumnButIt) {
    db->insert(M::Plugin{});
    EXPECT_EQ(dao->texts, (std::vector<std::string>{
                              "SELECT MAX(ID) FROM Plugin",
                              "INSERT INTO Plugin (PollInterval, m7, m8, ObjectID, m2, Name, SettableProperties, "
                              "UniqueID, Vendor, Version) VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                              "NULL);"}));

    dao->texts.clear();
    db->insert(M::PD{});
    ASSERT_EQ(dao->texts.size(), 2u);
    EXPECT_EQ(dao->texts[0], "SELECT MAX(ID) FROM PD");
    const std::string& text = dao->texts[1];
    EXPECT_EQ(text.find(" ID, "), std::string::npos) << "the row ID is left to the database";
    EXPECT_EQ(text.find("(ID, "), std::string::npos);
    // Values of the unsigned list: PhysicalSize, ObjectID (widened INT_MIN), ConfigurableSize, m53.
    EXPECT_NE(text.find("NULL, 18446744071562067968, NULL, NULL"), std::string::npos) << text;

    // The association has no row ID: no probe and no column list.
    dao->texts.clear();
    M::PD_LD link;
    link.LogicalDriveNumber = 0;
    link.SlotNumber = 1;
    link.LogicalDriveUniqueID = "ld";
    link.PhysicalDriveUniqueID = "pd";
    db->insert(link);
    EXPECT_EQ(dao->texts, std::vector<std::string>{"INSERT INTO PD_LD VALUES(0, 1, 'ld', 'pd');"});
}

TEST_F(ModelStatements, KeyConditionsSelectUpdateAndMax) {
    db->get_all<M::Adapter>(where(
        and_condition(is_equal(&M::Adapter::GlobalAdapterNumber, 3), is_equal(&M::Adapter::HostName, "localhost"))));
    EXPECT_EQ(dao->texts.back(),
              "SELECT * FROM Adapter  WHERE ( GlobalAdapterNumber = '3') AND ( HostName = 'localhost')  ");
    db->remove_all<M::Adapter>(where(
        and_condition(and_condition(is_equal(&M::Adapter::DeviceTypes, "SD"), is_equal(&M::Adapter::DriverName, "USB")),
                      is_equal(&M::Adapter::HostName, "localhost"))));
    EXPECT_EQ(dao->texts.back(), "DELETE FROM Adapter WHERE ( ( DeviceTypes = 'SD') AND ( DriverName = 'USB') ) AND "
                                 "( HostName = 'localhost') ");

    dao->answers.push_back({{"5", "LD-UID"}});
    const auto rows = db->select(columns(&M::LD::ID, &M::LD::UniqueID), where(is_equal(&M::LD::Name, "md0")));
    EXPECT_EQ(dao->texts.back(), "SELECT ID, UniqueID FROM LD WHERE Name = 'md0'");
    ASSERT_EQ(rows.size(), 1u);
    M::LD ld;
    ld.ID = std::get<0>(rows[0]);
    ld.Name = "md0";
    db->update(ld);
    const std::string& text = dao->texts.back();
    EXPECT_EQ(text.rfind("UPDATE LD SET m4=NULL, ", 0), 0u) << text;
    EXPECT_NE(text.find(", Name='md0', "), std::string::npos);
    EXPECT_NE(text.find("ObjectID=18446744071562067968, "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 13), "WHERE ID = 5;");

    dao->answers.push_back({{"2"}});
    EXPECT_EQ(db->max(&M::Plugin::ID), 2);
    EXPECT_EQ(dao->texts.back(), "SELECT MAX(ID) FROM Plugin");
    EXPECT_EQ(db->extractAlias<M::PD_LD>(), "pd_ld");
}
} // namespace

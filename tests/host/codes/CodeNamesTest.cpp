// The code-name tables against the host's published codes and names.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "codes/CodeNames.h"

using CodeNames::Table;

namespace {
const Table TABLES[] = {Table::Value, Table::Status, Table::Event, Table::Operation, Table::Property};

// Every code the host publishes a name for, as "code=NAME" (the value table names 0 with the empty
// text). Codes from 10000 up lie in separate ranges per table: events 10000-12357, status
// 20000-20174, properties 29900-35203, values 40000-40669, operations 50000-50162 and 50500.
const std::pair<Table, const char*> PUBLISHED[] = {
    {Table::Value, "0= 1=UNDEFINED 40000=ENABLED 40002=SATA 40007=RAID0 40009=RAID1 40021=CONCAT 40023=FAILED_MISSING "
                   "40024=OK 40025=BUSY 40049=4K 40050=8K 40051=16K 40052=32K 40053=64K 40054=128K 40093=OPERATIONAL "
                   "40094=DEGRADED 40095=FAILED 40096=REBUILDING 40098=DEDICATED_HOTSPARE 40099=AVAILABLE 40102=IDLE "
                   "40103=INITIALIZING 40149=INFORMATION 40150=WARNING 40151=ERROR 40174=SAS 40262=CAN_BE_CONFIGURED "
                   "40263=CANNOT_BE_CONFIGURED 40266=LOGICAL_DRIVE_DEGRADED 40267=LOGICAL_DRIVE_FAILED 40277=BLKDEV "
                   "40278=LINUX_MD 40279=COPYING 40292=HDD 40293=SSD 40494=SERVICEVALIDATE 40495=SD 40496=NVME "
                   "40669=REBUILD"},
    {Table::Status, "0=SUCCESS 20000=GENERAL 20001=NO_SUPPORTED_HARDWARE 20002=INVALID_COMMAND 20004=INVALID_PROPERTY "
                    "20005=INVALID_OPERATION 20006=INVALID_PARAMETER 20007=MEMORY_ERROR 20008=INVALID_OBJECT_ID "
                    "20020=LOGICALDRIVE_BUSY 20174=MDADM_ERROR"},
    {Table::Event, "1=UNDEFINED 5=TEST_TRAP 10000=UNKNOWN 10081=LOGICALDRIVE_DELETED 10132=SCAN_CONFIGURATION "
                   "12357=LD_STATE_CHANGE_INV_TO_FOR"},
    {Table::Operation, "1=UNDEFINED 50000=CREATE_LOGICAL_DRIVE 50002=GET_EVENTS 50003=GET_RAID_LEVEL_INFORMATION "
                       "50004=GET_RAID_MIGRATION_INFORMATION 50005=GET_LOGICAL_DRIVE_CONFIGURATION "
                       "50007=SCAN_CONFIGURATION 50162=CHANGE_RWH 50500=ADD_SERVER"},
    // Codes 1 and 29900 are listed twice (then as FRAME_END and OBJECT_NAME): the first name holds.
    {Table::Property,
     "0=FRAME_START 1=UNDEFINED 3=SEPARATOR_END 29900=RUI_PROPERTIES 30003=VENDOR 30005=POLL_INTERVAL 30007=NAME "
     "30017=STATUS 30018=DRIVER_VERSION 30020=FIRMWARE_VERSION 30022=SERIAL_NUMBER 30037=PCI_BUS 30038=PCI_DEVICE "
     "30039=PCI_FUNCTION 30043=TRANSFER_SPEED 30045=RAID_LEVEL 30046=STRIPESIZE 30052=GUARDED_LOGICAL_DRIVES "
     "30053=TRANSFER_WIDTH 30054=ACTIVITY 30056=TYPE 30059=PHYSICAL_SIZE 30060=CONFIGURABLE_SIZE 30063=PRODUCT "
     "30075=MAX_PHYSICAL_DEVICES 30076=MAX_LOGICAL_DRIVES 30090=LOGICAL_SIZE 30099=VERSION 30120=ADAPTER_NUMBER "
     "30122=PORT_NUMBER 30125=DEVICE_NUMBER 30126=LOGICAL_DRIVE_NUMBER 30137=UNIQUE_ID 30154=MISC_ERRORS "
     "30155=PFA_COUNT 30158=HARDWARE_TYPE 30165=ADDITIONAL_STATUS 30177=VENDOR_ID 30179=DEVICE_ID "
     "30202=SAS_ADDRESS_00 30203=SAS_ADDRESS_01 30204=SAS_ADDRESS_02 30205=SAS_ADDRESS_03 30207=COERCED_SIZE "
     "30208=MEDIA_ERROR_COUNT 30236=FOREIGN_CONFIG 30243=RPM 30244=CONFIGURABILITY 30247=OS_DEVICE "
     "30266=DRIVER_NAME 30273=CUR_PHYSICAL_DEVICES 30274=CUR_LOGICAL_DRIVES 30277=CUR_MAX_PHYSICAL_DEVICES "
     "30278=CUR_MAX_LOGICAL_DRIVES 30310=POWER_STATUS 30320=MEDIA_TYPE 30479=PCI_SEGMENT 30496=CONFIGURATION "
     "35016=BUS 35020=DEVICE 35022=FUNCTION 35023=ID 35025=LOGICAL 35028=PHYSICAL 35039=SEGMENT 35044=TYPE "
     "35203=SENSE_LOG"},
};
} // namespace

TEST(CodeNames, EachPublishedCodeNamesItsNameInItsTableOnly) {
    for (const auto& [table, list] : PUBLISHED) {
        std::istringstream in(list);
        for (std::string item; in >> item;) {
            const std::int32_t code = std::stoi(item.substr(0, item.find('=')));
            const std::string name = item.substr(item.find('=') + 1);
            EXPECT_EQ(CodeNames::Name(table, code), name) << item;
            // The reverse lookup gives the lowest code listed under the name (TYPE: 30056, not 35044).
            std::int32_t found = -7;
            EXPECT_TRUE(CodeNames::CodeOf(table, name, found)) << item;
            EXPECT_LE(found, code) << item;
            EXPECT_EQ(CodeNames::Name(table, found), name) << item;
            for (Table other : TABLES) {
                EXPECT_TRUE(other == table || code < 10000 || CodeNames::Name(other, code).empty()) << item;
            }
        }
    }
}

TEST(CodeNames, MissesFindNothingAndAddNothing) {
    std::vector<std::size_t> counts;
    for (Table table : TABLES) {
        counts.push_back(CodeNames::Count(table));
        for (std::int32_t code : {-1, 6, 9999, 12358, 19999, 20175, 29899, 35204, 39999, 40670, 50163, 50501}) {
            EXPECT_EQ(CodeNames::Name(table, code), "") << code;
        }
    }
    std::int32_t code = -7;
    for (const char* name : {"NO_SUCH_NAME", "raid1", "FRAME_END", "OBJECT_NAME"}) {
        EXPECT_FALSE(CodeNames::CodeOf(Table::Property, name, code)) << name;
    }
    // Had a miss inserted a row, the empty name would now be found where no code has it.
    EXPECT_FALSE(CodeNames::CodeOf(Table::Status, "", code));
    EXPECT_EQ(code, -7);
    ASSERT_TRUE(CodeNames::CodeOf(Table::Value, "", code));
    EXPECT_EQ(code, 0);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        EXPECT_EQ(CodeNames::Count(TABLES[i]), counts[i]);
    }
}

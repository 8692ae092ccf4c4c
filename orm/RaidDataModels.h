// The database row models: plain values, one per mirrored table. Member order and kinds are the
// contract with the host database component (column N of a table holds member N); members the
// plugin writes are named for their content, the others by their number.
#pragma once
#include <cfloat>
#include <climits>
#include <string>
#include <vector>

#include "orm/constants.h"

namespace RaidDataModels {
// Default of the string members, copied from this module's own constant.
static const std::string& NULL_TEXT = DatabaseORM::NULL_DEFAULT;
// INT_MIN widened with its sign to 64 bits: a default that is written as its digits, not as NULL.
const unsigned long WIDENED_INT_MIN = static_cast<unsigned long>(static_cast<long>(INT_MIN));

// Each model states its members once, as a list of X(type, name, default, role); the struct's members
// and its forEachField are both made from that list, so a member cannot lose or change its column.
#define PIDORV_DECLARE_MEMBER(type, name, init, role) type name = init;
#define PIDORV_VISIT_MEMBER(type, name, init, role) f(&Self::name, #name, role);

// Row of the plugin's own row (11 members; column N holds member N).
#define PIDORV_PLUGIN_MEMBERS(X)                                                                                       \
    X(int, ID, INT_MIN, 0)                                                                                             \
    X(std::string, m2, NULL_TEXT, 1)                                                                                   \
    X(unsigned long, ObjectID, ULONG_MAX, 1)                                                                           \
    X(std::string, Name, NULL_TEXT, 1)                                                                                 \
    X(int, PollInterval, INT_MIN, 1)                                                                                   \
    X(std::string, SettableProperties, NULL_TEXT, 1)                                                                   \
    X(int, m7, INT_MIN, 1)                                                                                             \
    X(int, m8, INT_MIN, 1)                                                                                             \
    X(std::string, UniqueID, NULL_TEXT, 1)                                                                             \
    X(std::string, Vendor, NULL_TEXT, 1)                                                                               \
    X(std::string, Version, NULL_TEXT, 1)
struct Plugin {
    PIDORV_PLUGIN_MEMBERS(PIDORV_DECLARE_MEMBER)

    // Every member with its column name and role (0: the row-ID column), in member order.
    template <class F> static void forEachField(F&& f) {
        using Self = Plugin;
        PIDORV_PLUGIN_MEMBERS(PIDORV_VISIT_MEMBER)
    }
};

// Row of one adapter (151 members; column N holds member N).
#define PIDORV_ADAPTER_MEMBERS(X)                                                                                      \
    X(std::string, m1, NULL_TEXT, 1)                                                                                   \
    X(std::vector<std::string>, m2, {}, 1)                                                                             \
    X(int, m3, INT_MIN, 1)                                                                                             \
    X(std::string, m4, NULL_TEXT, 1)                                                                                   \
    X(std::vector<std::string>, m5, {}, 1)                                                                             \
    X(std::string, m6, NULL_TEXT, 1)                                                                                   \
    X(std::string, m7, NULL_TEXT, 1)                                                                                   \
    X(int, m8, INT_MIN, 1)                                                                                             \
    X(std::string, m9, NULL_TEXT, 1)                                                                                   \
    X(std::string, m10, NULL_TEXT, 1)                                                                                  \
    X(std::string, m11, NULL_TEXT, 1)                                                                                  \
    X(int, m12, INT_MIN, 1)                                                                                            \
    X(int, m13, INT_MIN, 1)                                                                                            \
    X(std::string, m14, NULL_TEXT, 1)                                                                                  \
    X(std::string, m15, NULL_TEXT, 1)                                                                                  \
    X(std::string, m16, NULL_TEXT, 1)                                                                                  \
    X(std::string, m17, NULL_TEXT, 1)                                                                                  \
    X(std::string, m18, NULL_TEXT, 1)                                                                                  \
    X(int, m19, INT_MIN, 1)                                                                                            \
    X(std::string, m20, NULL_TEXT, 1)                                                                                  \
    X(int, PciBus, INT_MIN, 1)                                                                                         \
    X(std::string, m22, NULL_TEXT, 1)                                                                                  \
    X(std::string, m23, NULL_TEXT, 1)                                                                                  \
    X(std::string, m24, NULL_TEXT, 1)                                                                                  \
    X(int, m25, INT_MIN, 1)                                                                                            \
    X(int, m26, INT_MIN, 1)                                                                                            \
    X(int, m27, INT_MIN, 1)                                                                                            \
    X(std::string, m28, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, m29, ULONG_MAX, 1)                                                                                \
    X(int, m30, INT_MIN, 1)                                                                                            \
    X(std::string, m31, NULL_TEXT, 1)                                                                                  \
    X(std::string, m32, NULL_TEXT, 1)                                                                                  \
    X(std::string, m33, NULL_TEXT, 1)                                                                                  \
    X(std::string, m34, NULL_TEXT, 1)                                                                                  \
    X(std::string, m35, NULL_TEXT, 1)                                                                                  \
    X(int, m36, INT_MIN, 1)                                                                                            \
    X(std::string, m37, NULL_TEXT, 1)                                                                                  \
    X(int, m38, INT_MIN, 1)                                                                                            \
    X(int, m39, INT_MIN, 1)                                                                                            \
    X(int, m40, INT_MIN, 1)                                                                                            \
    X(int, PciDevice, INT_MIN, 1)                                                                                      \
    X(std::string, DeviceID, NULL_TEXT, 1)                                                                             \
    X(std::string, DriverName, NULL_TEXT, 1)                                                                           \
    X(std::string, m44, NULL_TEXT, 1)                                                                                  \
    X(std::string, m45, NULL_TEXT, 1)                                                                                  \
    X(std::string, DriverVersion, NULL_TEXT, 1)                                                                        \
    X(std::string, m47, NULL_TEXT, 1)                                                                                  \
    X(std::string, m48, NULL_TEXT, 1)                                                                                  \
    X(std::string, m49, NULL_TEXT, 1)                                                                                  \
    X(std::string, m50, NULL_TEXT, 1)                                                                                  \
    X(std::string, m51, NULL_TEXT, 1)                                                                                  \
    X(std::string, m52, NULL_TEXT, 1)                                                                                  \
    X(int, m53, INT_MIN, 1)                                                                                            \
    X(std::string, m54, NULL_TEXT, 1)                                                                                  \
    X(std::string, m55, NULL_TEXT, 1)                                                                                  \
    X(std::string, m56, NULL_TEXT, 1)                                                                                  \
    X(std::string, m57, NULL_TEXT, 1)                                                                                  \
    X(std::string, m58, NULL_TEXT, 1)                                                                                  \
    X(std::string, FirmwareVersion, NULL_TEXT, 1)                                                                      \
    X(int, m60, INT_MIN, 1)                                                                                            \
    X(std::string, m61, NULL_TEXT, 1)                                                                                  \
    X(std::vector<std::string>, m62, {}, 1)                                                                            \
    X(int, m63, INT_MIN, 1)                                                                                            \
    X(int, PciFunction, INT_MIN, 1)                                                                                    \
    X(int, GlobalAdapterNumber, INT_MIN, 1)                                                                            \
    X(std::string, m66, NULL_TEXT, 1)                                                                                  \
    X(std::string, HardwareType, NULL_TEXT, 1)                                                                         \
    X(std::string, m68, NULL_TEXT, 1)                                                                                  \
    X(std::string, m69, NULL_TEXT, 1)                                                                                  \
    X(std::string, m70, NULL_TEXT, 1)                                                                                  \
    X(int, m71, -1, 1)                                                                                                 \
    X(std::string, HostName, NULL_TEXT, 1)                                                                             \
    X(int, m73, INT_MIN, 1)                                                                                            \
    X(int, ID, INT_MIN, 0)                                                                                             \
    X(std::string, m75, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, m76, ULONG_MAX, 1)                                                                                \
    X(unsigned long, ObjectID, ULONG_MAX, 1)                                                                           \
    X(std::string, m78, NULL_TEXT, 1)                                                                                  \
    X(std::string, m79, NULL_TEXT, 1)                                                                                  \
    X(int, m80, INT_MIN, 1)                                                                                            \
    X(int, m81, INT_MIN, 1)                                                                                            \
    X(int, MaxPhysicalDevices, INT_MIN, 1)                                                                             \
    X(int, MaxLogicalDrives, INT_MIN, 1)                                                                               \
    X(int, m84, INT_MIN, 1)                                                                                            \
    X(std::string, m85, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, m86, ULONG_MAX, 1)                                                                                \
    X(std::string, m87, NULL_TEXT, 1)                                                                                  \
    X(std::string, m88, NULL_TEXT, 1)                                                                                  \
    X(int, m89, INT_MIN, 1)                                                                                            \
    X(int, m90, INT_MIN, 1)                                                                                            \
    X(int, m91, INT_MIN, 1)                                                                                            \
    X(int, m92, INT_MIN, 1)                                                                                            \
    X(int, m93, INT_MIN, 1)                                                                                            \
    X(int, m94, INT_MIN, 1)                                                                                            \
    X(std::string, Name, NULL_TEXT, 1)                                                                                 \
    X(std::string, m96, NULL_TEXT, 1)                                                                                  \
    X(std::string, m97, NULL_TEXT, 1)                                                                                  \
    X(int, m98, INT_MIN, 1)                                                                                            \
    X(int, m99, INT_MIN, 1)                                                                                            \
    X(std::string, m100, NULL_TEXT, 1)                                                                                 \
    X(int, m101, INT_MIN, 1)                                                                                           \
    X(int, m102, INT_MIN, 1)                                                                                           \
    X(std::string, m103, NULL_TEXT, 1)                                                                                 \
    X(int, m104, INT_MIN, 1)                                                                                           \
    X(int, m105, INT_MIN, 1)                                                                                           \
    X(std::string, m106, NULL_TEXT, 1)                                                                                 \
    X(int, m107, INT_MIN, 1)                                                                                           \
    X(int, m108, INT_MIN, 1)                                                                                           \
    X(int, m109, INT_MIN, 1)                                                                                           \
    X(std::string, m110, NULL_TEXT, 1)                                                                                 \
    X(std::string, m111, NULL_TEXT, 1)                                                                                 \
    X(int, m112, INT_MIN, 1)                                                                                           \
    X(std::string, m113, NULL_TEXT, 1)                                                                                 \
    X(int, m114, INT_MIN, 1)                                                                                           \
    X(std::string, Product, NULL_TEXT, 1)                                                                              \
    X(std::vector<std::string>, DeviceTypes, {}, 1)                                                                    \
    X(int, m117, INT_MIN, 1)                                                                                           \
    X(std::string, m118, NULL_TEXT, 1)                                                                                 \
    X(int, m119, INT_MIN, 1)                                                                                           \
    X(std::string, m120, NULL_TEXT, 1)                                                                                 \
    X(std::string, m121, NULL_TEXT, 1)                                                                                 \
    X(int, m122, INT_MIN, 1)                                                                                           \
    X(int, PciSegment, INT_MIN, 1)                                                                                     \
    X(std::string, SerialNumber, NULL_TEXT, 1)                                                                         \
    X(std::string, m125, NULL_TEXT, 1)                                                                                 \
    X(int, m126, INT_MIN, 1)                                                                                           \
    X(std::string, m127, NULL_TEXT, 1)                                                                                 \
    X(int, m128, INT_MIN, 1)                                                                                           \
    X(std::string, m129, NULL_TEXT, 1)                                                                                 \
    X(std::string, m130, NULL_TEXT, 1)                                                                                 \
    X(int, m131, INT_MIN, 1)                                                                                           \
    X(std::string, m132, NULL_TEXT, 1)                                                                                 \
    X(std::string, m133, NULL_TEXT, 1)                                                                                 \
    X(std::string, m134, NULL_TEXT, 1)                                                                                 \
    X(int, m135, INT_MIN, 1)                                                                                           \
    X(int, m136, INT_MIN, 1)                                                                                           \
    X(std::string, Status, NULL_TEXT, 1)                                                                               \
    X(std::string, m138, NULL_TEXT, 1)                                                                                 \
    X(std::string, m139, NULL_TEXT, 1)                                                                                 \
    X(std::vector<std::string>, m140, {}, 1)                                                                           \
    X(std::string, m141, NULL_TEXT, 1)                                                                                 \
    X(int, m142, INT_MIN, 1)                                                                                           \
    X(std::string, Type, NULL_TEXT, 1)                                                                                 \
    X(int, m144, INT_MIN, 1)                                                                                           \
    X(std::string, m145, NULL_TEXT, 1)                                                                                 \
    X(unsigned long, m146, ULONG_MAX, 1)                                                                               \
    X(std::string, UniqueID, NULL_TEXT, 1)                                                                             \
    X(std::string, VendorID, NULL_TEXT, 1)                                                                             \
    X(std::string, m149, NULL_TEXT, 1)                                                                                 \
    X(std::string, m150, NULL_TEXT, 1)                                                                                 \
    X(int, m151, INT_MIN, 1)
struct Adapter {
    PIDORV_ADAPTER_MEMBERS(PIDORV_DECLARE_MEMBER)

    // Every member with its column name and role (0: the row-ID column), in member order.
    template <class F> static void forEachField(F&& f) {
        using Self = Adapter;
        PIDORV_ADAPTER_MEMBERS(PIDORV_VISIT_MEMBER)
    }
};

// Row of one physical drive (70 members; column N holds member N).
#define PIDORV_PD_MEMBERS(X)                                                                                           \
    X(std::string, Activity, NULL_TEXT, 1)                                                                             \
    X(int, m2, INT_MIN, 1)                                                                                             \
    X(std::vector<std::string>, m3, {}, 1)                                                                             \
    X(std::string, m4, NULL_TEXT, 1)                                                                                   \
    X(int, m5, INT_MIN, 1)                                                                                             \
    X(unsigned long, PhysicalSize, ULONG_MAX, 1)                                                                       \
    X(std::string, Configurability, NULL_TEXT, 1)                                                                      \
    X(std::string, m8, NULL_TEXT, 1)                                                                                   \
    X(int, m9, INT_MIN, 1)                                                                                             \
    X(int, DeviceNumber, INT_MIN, 1)                                                                                   \
    X(int, m11, INT_MIN, 1)                                                                                            \
    X(std::string, m12, NULL_TEXT, 1)                                                                                  \
    X(std::string, m13, NULL_TEXT, 1)                                                                                  \
    X(std::string, m14, NULL_TEXT, 1)                                                                                  \
    X(std::string, m15, NULL_TEXT, 1)                                                                                  \
    X(int, AuxNumber, INT_MIN, 1)                                                                                      \
    X(std::vector<std::string>, m17, {}, 1)                                                                            \
    X(int, m18, -1, 1)                                                                                                 \
    X(std::string, HostName, NULL_TEXT, 1)                                                                             \
    X(int, ID, INT_MIN, 0)                                                                                             \
    X(unsigned long, ObjectID, WIDENED_INT_MIN, 1)                                                                     \
    X(std::string, m22, NULL_TEXT, 1)                                                                                  \
    X(int, m23, INT_MIN, 1)                                                                                            \
    X(int, m24, INT_MIN, 1)                                                                                            \
    X(std::string, MediaType, NULL_TEXT, 1)                                                                            \
    X(int, m26, INT_MIN, 1)                                                                                            \
    X(std::string, Name, NULL_TEXT, 1)                                                                                 \
    X(std::string, OsDevice, NULL_TEXT, 1)                                                                             \
    X(std::string, m29, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, ConfigurableSize, ULONG_MAX, 1)                                                                   \
    X(int, m31, INT_MIN, 1)                                                                                            \
    X(int, PortNumber, INT_MIN, 1)                                                                                     \
    X(int, m33, INT_MIN, 1)                                                                                            \
    X(int, m34, INT_MIN, 1)                                                                                            \
    X(int, m35, INT_MIN, 1)                                                                                            \
    X(std::string, m36, NULL_TEXT, 1)                                                                                  \
    X(std::string, Product, NULL_TEXT, 1)                                                                              \
    X(int, m38, INT_MIN, 1)                                                                                            \
    X(int, m39, INT_MIN, 1)                                                                                            \
    X(double, m40, static_cast<double>(FLT_MIN), 1)                                                                    \
    X(int, m41, INT_MIN, 1)                                                                                            \
    X(int, m42, INT_MIN, 1)                                                                                            \
    X(int, m43, INT_MIN, 1)                                                                                            \
    X(std::string, m44, NULL_TEXT, 1)                                                                                  \
    X(std::string, m45, NULL_TEXT, 1)                                                                                  \
    X(std::string, m46, NULL_TEXT, 1)                                                                                  \
    X(std::string, m47, NULL_TEXT, 1)                                                                                  \
    X(int, m48, INT_MIN, 1)                                                                                            \
    X(int, m49, INT_MIN, 1)                                                                                            \
    X(int, m50, INT_MIN, 1)                                                                                            \
    X(std::string, Status, NULL_TEXT, 1)                                                                               \
    X(int, m52, INT_MIN, 1)                                                                                            \
    X(unsigned long, m53, ULONG_MAX, 1)                                                                                \
    X(double, m54, static_cast<double>(FLT_MIN), 1)                                                                    \
    X(int, m55, INT_MIN, 1)                                                                                            \
    X(int, m56, INT_MIN, 1)                                                                                            \
    X(int, m57, INT_MIN, 1)                                                                                            \
    X(std::string, Type, NULL_TEXT, 1)                                                                                 \
    X(std::string, UniqueID, NULL_TEXT, 1)                                                                             \
    X(std::string, Vendor, NULL_TEXT, 1)                                                                               \
    X(int, m61, INT_MIN, 1)                                                                                            \
    X(int, m62, INT_MIN, 1)                                                                                            \
    X(std::string, m63, NULL_TEXT, 1)                                                                                  \
    X(int, m64, INT_MIN, 1)                                                                                            \
    X(int, m65, INT_MIN, 1)                                                                                            \
    X(int, m66, INT_MIN, 1)                                                                                            \
    X(std::string, m67, NULL_TEXT, 1)                                                                                  \
    X(std::string, m68, NULL_TEXT, 1)                                                                                  \
    X(std::string, m69, NULL_TEXT, 1)                                                                                  \
    X(int, m70, INT_MIN, 1)
struct PD {
    PIDORV_PD_MEMBERS(PIDORV_DECLARE_MEMBER)

    // Every member with its column name and role (0: the row-ID column), in member order.
    template <class F> static void forEachField(F&& f) {
        using Self = PD;
        PIDORV_PD_MEMBERS(PIDORV_VISIT_MEMBER)
    }
};

// Row of one logical drive (52 members; column N holds member N).
#define PIDORV_LD_MEMBERS(X)                                                                                           \
    X(int, ID, INT_MIN, 0)                                                                                             \
    X(std::string, m2, NULL_TEXT, 1)                                                                                   \
    X(std::string, Activity, NULL_TEXT, 1)                                                                             \
    X(int, m4, INT_MIN, 1)                                                                                             \
    X(int, m5, INT_MIN, 1)                                                                                             \
    X(std::vector<std::string>, m6, {}, 1)                                                                             \
    X(std::string, m7, NULL_TEXT, 1)                                                                                   \
    X(int, m8, INT_MIN, 1)                                                                                             \
    X(std::string, m9, NULL_TEXT, 1)                                                                                   \
    X(std::string, m10, NULL_TEXT, 1)                                                                                  \
    X(std::string, m11, NULL_TEXT, 1)                                                                                  \
    X(std::string, m12, NULL_TEXT, 1)                                                                                  \
    X(std::string, m13, NULL_TEXT, 1)                                                                                  \
    X(std::string, m14, NULL_TEXT, 1)                                                                                  \
    X(std::string, m15, NULL_TEXT, 1)                                                                                  \
    X(std::string, m16, NULL_TEXT, 1)                                                                                  \
    X(std::string, m17, NULL_TEXT, 1)                                                                                  \
    X(int, AuxNumber2, INT_MIN, 1)                                                                                     \
    X(std::string, m19, NULL_TEXT, 1)                                                                                  \
    X(int, m20, -1, 1)                                                                                                 \
    X(std::string, HostName, NULL_TEXT, 1)                                                                             \
    X(std::string, m22, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, ObjectID, WIDENED_INT_MIN, 1)                                                                     \
    X(int, Number, INT_MIN, 1)                                                                                         \
    X(std::string, m25, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, LogicalSize, ULONG_MAX, 1)                                                                        \
    X(std::string, Name, NULL_TEXT, 1)                                                                                 \
    X(int, m28, INT_MIN, 1)                                                                                            \
    X(int, m29, INT_MIN, 1)                                                                                            \
    X(std::string, OsDevice, NULL_TEXT, 1)                                                                             \
    X(std::string, m31, NULL_TEXT, 1)                                                                                  \
    X(unsigned long, PhysicalSize, ULONG_MAX, 1)                                                                       \
    X(std::string, RaidLevel, NULL_TEXT, 1)                                                                            \
    X(std::string, m34, NULL_TEXT, 1)                                                                                  \
    X(std::string, m35, NULL_TEXT, 1)                                                                                  \
    X(int, m36, INT_MIN, 1)                                                                                            \
    X(std::string, m37, NULL_TEXT, 1)                                                                                  \
    X(std::string, m38, NULL_TEXT, 1)                                                                                  \
    X(std::string, Status, NULL_TEXT, 1)                                                                               \
    X(std::string, StripeSize, NULL_TEXT, 1)                                                                           \
    X(std::vector<std::string>, m41, {}, 1)                                                                            \
    X(std::string, m42, NULL_TEXT, 1)                                                                                  \
    X(std::string, UniqueID, NULL_TEXT, 1)                                                                             \
    X(int, m44, INT_MIN, 1)                                                                                            \
    X(std::string, m45, NULL_TEXT, 1)                                                                                  \
    X(std::string, m46, NULL_TEXT, 1)                                                                                  \
    X(int, m47, INT_MIN, 1)                                                                                            \
    X(std::string, m48, NULL_TEXT, 1)                                                                                  \
    X(int, m49, INT_MIN, 1)                                                                                            \
    X(int, m50, INT_MIN, 1)                                                                                            \
    X(int, m51, INT_MIN, 1)                                                                                            \
    X(int, m52, INT_MIN, 1)
struct LD {
    PIDORV_LD_MEMBERS(PIDORV_DECLARE_MEMBER)

    // Every member with its column name and role (0: the row-ID column), in member order.
    template <class F> static void forEachField(F&& f) {
        using Self = LD;
        PIDORV_LD_MEMBERS(PIDORV_VISIT_MEMBER)
    }
};

// Row of one physical drive belonging to one logical drive (4 members; column N holds member N).
#define PIDORV_PD_LD_MEMBERS(X)                                                                                        \
    X(int, LogicalDriveNumber, INT_MIN, 1)                                                                             \
    X(int, SlotNumber, INT_MIN, 1)                                                                                     \
    X(std::string, LogicalDriveUniqueID, NULL_TEXT, 1)                                                                 \
    X(std::string, PhysicalDriveUniqueID, NULL_TEXT, 1)
struct PD_LD {
    PIDORV_PD_LD_MEMBERS(PIDORV_DECLARE_MEMBER)

    // Every member with its column name and role (0: the row-ID column), in member order.
    template <class F> static void forEachField(F&& f) {
        using Self = PD_LD;
        PIDORV_PD_LD_MEMBERS(PIDORV_VISIT_MEMBER)
    }
};
} // namespace RaidDataModels

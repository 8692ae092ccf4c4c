#include "EmuSample.h"

namespace LumoEmu {

const char* sampleDeviceTree() {
    return R"json({
  "TavrinStorageDeviceTree": {
    "@Version": 1,
    "@Status": "OK",
    "Adapter": [
      {
        "@Nr": 0,
        "Name": "Dorv100 Dual SD (0)",
        "Product": "Dorv100 Dual SD",
        "Vendor": "Kelto",
        "Type": "USB",
        "BusType": "USB",
        "PortCount": 2,
        "PortType": "Intern",
        "Protocol": "SD",
        "FirmwareVersion": "1.5 (LPC), 1.7 (FX3S)",
        "HardwareVersion": "02",
        "SerialNumber": "8A3F0C21D94E4B7A9E6155C2F0B13D47",
        "VendorID": "0x7A11",
        "DeviceID": "0x0D10",
        "AdapterNumber": 0,
        "Status": "OK",
        "ControllerFamily": "Dorv100",
        "CurrentDevice": 2,
        "CurrentLogicalDrives": 1,
        "MaxPhysDevices": 2,
        "MaxLogDrives": 1,
        "LogicalDrive": [
          {
            "@Nr": 0,
            "LogDriveNumber": 0,
            "LogicalSize": 60416,
            "PhysicalSize": 120832,
            "RAIDLevel": "RAID-1",
            "Name": "LogicalDrive_0",
            "Status": "Operational",
            "DisplayName": "LogicalDrive_0 (0)",
            "Layout": {
              "Container": [
                {
                  "@Nr": 0,
                  "PhysDrive": [
                    { "@Nr": 0, "Name": "SD Card 0" },
                    { "@Nr": 1, "Name": "SD Card 1" }
                  ]
                }
              ]
            }
          }
        ],
        "PhysicalDrive": [
          {
            "@Nr": 0,
            "PortNumber": 0,
            "DeviceNumber": 0,
            "Slot": 0,
            "Name": "SD Card 0",
            "Vendor": "Kelto",
            "Product": "KSD64 Industrial",
            "Type": "SD",
            "MediaType": "SD",
            "Status": "Operational",
            "Activity": "Idle",
            "VendorId": 3,
            "PhysicalSize": 60416,
            "RatedEndurancePercent": 1,
            "Layout": {
              "LogDrive": [
                { "@Nr": 0, "Name": "LogicalDrive_0" }
              ]
            }
          },
          {
            "@Nr": 1,
            "PortNumber": 1,
            "DeviceNumber": 1,
            "Slot": 1,
            "Name": "SD Card 1",
            "Vendor": "Kelto",
            "Product": "KSD64 Industrial",
            "Type": "SD",
            "MediaType": "SD",
            "Status": "Operational",
            "Activity": "Idle",
            "VendorId": 3,
            "PhysicalSize": 60416,
            "RatedEndurancePercent": 1,
            "Layout": {
              "LogDrive": [
                { "@Nr": 0, "Name": "LogicalDrive_0" }
              ]
            }
          }
        ]
      }
    ]
  }
}
)json";
}

} // namespace LumoEmu

// Listing the connected cameras of an identity.
#include "api/api_test_support.h"

#include "device/kernel_channel.h"

#include <vector>

namespace kmxapitest {
namespace {

using CameraEnumTest = ApiTest;

constexpr DWORD kPantiltIdentity1 = 0x05120001, kPantiltIdentity2 = 0x00010215;

// The ids stored with room for 16.
std::vector<DWORD> Enumerate(DWORD identity1, DWORD identity2) {
    std::vector<DWORD> ids(16);
    DWORD count = 0xDEAD;
    EXPECT_EQ(KMXPI_CameraEnum(identity1, identity2, ids.data(), 16, &count), KMXPI_STATUS_SUCCESS);
    ids.resize(count);
    return ids;
}

// The count with room for CAPACITY ids; nothing may be written past them.
DWORD Count(DWORD capacity) {
    std::vector<DWORD> ids(capacity + 1, 0xDEAD);
    DWORD count = 0xDEAD;
    EXPECT_EQ(KMXPI_CameraEnum(0, 0, ids.data(), capacity, &count), KMXPI_STATUS_SUCCESS);
    EXPECT_EQ(ids[capacity], 0xDEADu) << "written past the capacity";
    return count;
}

TEST_F(CameraEnumTest, ListsTheCamerasOfAnIdentity) {
    DWORD ids = 0, count = 0;
    EXPECT_EQ(KMXPI_CameraEnum(0, 0, nullptr, 1, &count), KMXPI_STATUS_NULL_POINTER);
    EXPECT_EQ(KMXPI_CameraEnum(0, 0, &ids, 1, nullptr), KMXPI_STATUS_NULL_POINTER);
    EXPECT_TRUE(Enumerate(0, 0).empty());

    DWORD first = Plug("pantilt", "A");
    DWORD compact = Plug("compact", "B");
    DWORD second = Plug("pantilt", "C");
    EXPECT_EQ(Enumerate(0, 0), (std::vector<DWORD>{first, compact, second}));
    EXPECT_EQ(Enumerate(kPantiltIdentity1, kPantiltIdentity2), (std::vector<DWORD>{first, second}));
    EXPECT_EQ(Enumerate(0x05120002, kPantiltIdentity2), (std::vector<DWORD>{compact}));
    EXPECT_TRUE(Enumerate(kPantiltIdentity1, 0).empty());
    // Capacity 0 still counts every one.
    EXPECT_EQ(Count(0), 3u);
    EXPECT_EQ(Count(1), 3u);

    // Unplugged cameras and those that do not answer the identity are left out.
    Unplug("A");
    ArmStatus("C", kmx::kCameraIdentityCode, 3);
    EXPECT_EQ(Enumerate(0, 0), (std::vector<DWORD>{compact}));
    EXPECT_EQ(Enumerate(0, 0), (std::vector<DWORD>{compact, second}));
}

TEST_F(CameraEnumTest, ConnectionIdsAreTheSameInEveryProcess) {
    DWORD first = Plug("pantilt", "A");
    DWORD second = Plug("compact", "B");
    ApiPeer peer;
    std::string expected = "ids " + std::to_string(first) + " " + std::to_string(second);
    EXPECT_EQ(peer.Ask("enum"), expected);
    // Through a plug cycle too.
    Unplug("A");
    EXPECT_EQ(Plug("pantilt", "A"), first);
    EXPECT_EQ(peer.Ask("enum"), expected);
}

}  // namespace
}  // namespace kmxapitest

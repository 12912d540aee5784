// SHA-256 on its published vectors, and the start world of seed 99 by its fingerprints.
#include "app/sha256.h"
#include "fixture.h"

// Empty, one block, the 448-bit message whose padding spills into a second block, and many blocks.
TEST(Sha256, PublishedVectors)
{
    auto hex = [](const std::string& m) { return Sha256Hex(reinterpret_cast<const uint8_t*>(m.data()), m.size()); };
    EXPECT_EQ(hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Pinned when a plain, separately written build of the world and its population agreed with the game byte for byte.
TEST(StartWorld, Seed99FingerprintsAndTheFirstView)
{
    HeadlessReset(1234567.75);
    ASSERT_TRUE(StartGame());
    EXPECT_EQ(RandState, 1234567u) << "reseeded from the clock";
    const size_t cells = static_cast<size_t>(LayerCells) * WorldLayers;
    EXPECT_EQ(Sha256Hex(MainMap, cells), "20def6b1a04555915266593f881270f9de8d79af4d58541343ab8fd91bebe757");
    EXPECT_EQ(Sha256Hex(FlagMap, cells), "7642cf8c5ef24a0113890b9f586393514c269d22989f249b3ed74f31c2b99fb4");
    // Field by field in declaration order, so that padding plays no part.
    std::vector<uint8_t> bytes;
    auto put = [&bytes](const auto& v) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
        bytes.insert(bytes.end(), p, p + sizeof v);
    };
    for (int32_t i = 0; i < MaxUnits; ++i) {
        const Unit& u = UnitTable[i];
        put(u.spare_byte), put(u.in_use), put(u.spare_word), put(u.cell_x), put(u.cell_y), put(u.layer);
        put(u.dest_x), put(u.dest_y), put(u.step_x), put(u.step_y), put(u.target_unit), put(u.move_state);
        put(u.spare_half), put(u.bitmap), put(u.faction), put(u.gold), put(u.max_hit_points), put(u.hit_points);
        put(u.hidden), put(u.keys), put(u.quest), put(u.attack), put(u.second_stat), put(u.champion);
        put(u.gold_reward), put(u.spare_half2), put(u.spare_word2), put(u.last_spell_frame), put(u.route_order);
        put(u.dest_unit), put(u.event_frame), put(u.spare_word3);
    }
    EXPECT_EQ(Sha256Hex(bytes.data(), bytes.size()),
              "6a8386e468965879a607fd7f456115f6b0585e57ba0ae43b01e96d50e02dca64");
    EXPECT_EQ(CurrentUnit, 36) << "the first party member";
    EXPECT_EQ(std::make_tuple(ViewX, ViewY, ViewLayer), std::make_tuple(942, 549, 1));
    EXPECT_EQ(PathFinders[0].WindowSide, 1024);
    ASSERT_EQ(HeadlessSounds().size(), 1u);
    EXPECT_EQ(HeadlessSounds()[0].path, ".\\sound\\scream1b.wav");
    FreeWorld();
}

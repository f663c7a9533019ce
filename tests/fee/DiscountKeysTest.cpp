#include "fee/DiscountKeys.h"
#include "FeeFixture.h"
#include "platform/Vb.h"

#include <gtest/gtest.h>

namespace tolvo {
namespace {

class DiscountKeysDb : public test::FeeFixture {
protected:
    void addKey(int code1, int code2, bool active, const char* name = "할인")
    {
        Insert(st.Db, "할인키",
               {{"명칭", name}, {"키코드1", code1}, {"키코드2", code2}, {"사용여부", active}, {"중복사용", false}});
    }
    using Codes = std::vector<std::pair<int, int>>;
    Codes codes() const
    {
        Codes out;
        for (size_t i = 0; i < st.discKeys.DiscKeyCode1.size(); ++i)
            out.emplace_back(st.discKeys.DiscKeyCode1[i], st.discKeys.DiscKeyCode2[i]);
        return out;
    }
};

TEST_F(DiscountKeysDb, ActiveKeysOrderedByShiftStateThenKeyCode)
{
    struct Key { int code1, code2; bool active; };
    const struct { const char* name; std::vector<Key> keys; int count; Codes codes; } rows[] = {
        {"no active key: the single empty entry", {{65, 0, false}}, 0, {{0, 0}}},
        {"one active key is index 0", {{112, 2, true}}, 0, {{112, 2}}},
        {"by shift state, then key code", {{113, 0, true}, {112, 1, true}, {65, 0, false}, {112, 0, true}}, 2,
         {{112, 0}, {113, 0}, {112, 1}}},
    };
    for (const auto& r : rows) {
        Exec(st.Db, "DELETE FROM 할인키");
        for (const Key& k : r.keys) addKey(k.code1, k.code2, k.active);
        Load_DiscountKeys(st);
        EXPECT_EQ(st.discKeys.DiscKeyCount, r.count) << r.name;
        EXPECT_EQ(codes(), r.codes) << r.name;
        EXPECT_EQ(st.discKeys.DiscKeyState, std::vector<quint8>(r.codes.size(), 0)) << r.name;
    }
}

TEST_F(DiscountKeysDb, LoadAndResetClearThePerExitState)
{
    addKey(113, 0, true);
    addKey(112, 0, true);
    Load_DiscountKeys(st);
    st.discKeys.DiscKeyState = {2, 1};
    st.discKeys.DiscComboUsed = true;
    Reset_DiscKeyState(st);
    EXPECT_EQ(st.discKeys.DiscKeyState, (std::vector<quint8>{0, 0}));
    EXPECT_FALSE(st.discKeys.DiscComboUsed);
    EXPECT_EQ(codes(), (Codes{{112, 0}, {113, 0}}));

    st.discKeys.DiscKeyState = {3, 3};
    st.discKeys.DiscComboUsed = true;
    Load_DiscountKeys(st);
    EXPECT_EQ(st.discKeys.DiscKeyState, (std::vector<quint8>{0, 0}));
    EXPECT_FALSE(st.discKeys.DiscComboUsed);
}

TEST_F(DiscountKeysDb, ResetBeforeAnyLoadIsHarmless)
{
    Reset_DiscKeyState(st);
    EXPECT_EQ(st.discKeys.DiscKeyCount, 0);
    EXPECT_EQ(codes(), (Codes{{0, 0}}));
    EXPECT_FALSE(st.discKeys.DiscComboUsed);
}

TEST_F(DiscountKeysDb, CodeOutsideAByteKeepsThePreviousList)
{
    addKey(112, 0, true);
    Load_DiscountKeys(st);
    addKey(300, 0, true);
    EXPECT_THROW(Load_DiscountKeys(st), Overflow);
    EXPECT_EQ(codes(), (Codes{{112, 0}}));
}

} // namespace
} // namespace tolvo

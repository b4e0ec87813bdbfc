#include "stategen/encst.h"

#include <gtest/gtest.h>

#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

// Base 2 1 3 with the two trailer words.
struct Vectors {
  Array1<int> base{5}, state{5}, work{3}, code{6};
  Vectors(std::initializer_list<int> s) {
    int i = 1;
    for (int v : {2, 1, 3}) base(i++) = v;
    i = 1;
    for (int v : s) state(i++) = v;
  }
  std::vector<int> encoded() const {
    return std::vector<int>(code.begin(), code.begin() + code(1) + 3);
  }
};

TEST(EncodedState, ListsTheFailedUnitsInAscendingSlotOrder) {
  INITDR();
  Vectors v{1, 1, 1, 4, 9};
  ASSERT_EQ(ENCSTA(v.state, 3, v.work, v.code, 3, v.base), 1);
  EXPECT_EQ(v.encoded(), (std::vector<int>{3, 1, 3, 3, 4, 9}));

  Vectors w{0, 1, 3, 2, -7};
  ASSERT_EQ(ENCSTA(w.state, 3, w.work, w.code, 3, w.base), 1);
  EXPECT_EQ(w.encoded(), (std::vector<int>{2, 1, 1, 2, -7}));
}

TEST(EncodedState, TheRootEncodesToASingleZero) {
  Vectors v{2, 1, 3, 0, 1};
  v.code.fill(55);
  ASSERT_EQ(ENCSTA(v.state, 3, v.work, v.code, 3, v.base), 1);
  EXPECT_EQ(v.code(1), 0);
  EXPECT_EQ(v.code(2), 55);  // the trailer is not written
}

// Three failed units, against each bound in turn: the declared length, the
// work table, the encoded form (k + 3 words); nothing is written past the
// tables, which the sanitized run would see.
TEST(EncodedState, TooManyFailuresForTheDeclaredLength) {
  struct Case {
    int lenmax, work, code;
  };
  for (const Case c : {Case{2, 3, 6}, Case{3, 2, 6}, Case{3, 3, 5}}) {
    testing::Console con;
    INITDR();
    Array1<int> base(5), state(5), work(c.work), code(c.code);
    const int b[] = {2, 1, 3, 0, 0}, v[] = {0, 1, 2, 2, 5};
    for (int i = 1; i <= 5; ++i) {
      base(i) = b[i - 1];
      state(i) = v[i - 1];
    }
    EXPECT_EQ(ENCSTA(state, 3, work, code, c.lenmax, base), -1);
    EXPECT_EQ(
        con.lines(),
        std::vector<std::string>{
            " **** ENCSTA: ERROR F400 - # FAILURES EXCEED DECLARED LENGTH OF AN ENCODED STATE"})
        << c.lenmax << " " << c.work << " " << c.code;
  }
}

TEST(EncodedState, DecodingInvertsEncoding) {
  INITDR();
  for (auto s : {std::vector<int>{1, 1, 1, 3, 7}, std::vector<int>{0, 0, 3, 2, -4},
                 std::vector<int>{2, 0, 2, 4, 11}}) {
    Vectors v{s[0], s[1], s[2], s[3], s[4]};
    ASSERT_EQ(ENCSTA(v.state, 3, v.work, v.code, 3, v.base), 1);
    Array1<int> back(5, 99);
    ASSERT_EQ(DECSTA(back, 3, v.code, 3, v.base), 1);
    EXPECT_EQ(std::vector<int>(back.begin(), back.end()), s);
    Array1<int> again(6);
    ASSERT_EQ(ENCSTA(back, 3, v.work, again, 3, v.base), 1);
    EXPECT_EQ(std::vector<int>(again.begin(), again.begin() + again(1) + 3), v.encoded());
  }
}

TEST(EncodedState, DecodingRejectsBadEncodings) {
  testing::Console con;
  INITDR();
  Vectors v{2, 1, 3, 0, 0};
  Array1<int> code(6);
  code(1) = 1;
  code(2) = 4;  // slot NSLOT+1
  EXPECT_EQ(DECSTA(v.state, 3, code, 3, v.base), -1);
  code(2) = 0;  // below the first slot: would write before the vector
  EXPECT_EQ(DECSTA(v.state, 3, code, 3, v.base), -1);
  code(1) = 4;
  EXPECT_EQ(DECSTA(v.state, 3, code, 3, v.base), -1);
  EXPECT_EQ(con.lines(),
            (std::vector<std::string>{
                " **** DECSTA: ERROR F401 - CMPNT TYPE 4 SPECIFIED IN ENCODED STATE IS OUT OF RANGE",
                " **** DECSTA: ERROR F401 - CMPNT TYPE 0 SPECIFIED IN ENCODED STATE IS OUT OF RANGE",
                " **** DECSTA: ERROR F400 - # FAILURES EXCEED DECLARED LENGTH OF AN ENCODED STATE",
            }));
}

TEST(EncodedState, FailureCountIsTheSumOfLostUnitsWithoutOverflow) {
  Vectors v{0, 1, 1, 0, 0};
  EXPECT_EQ(CNTFAL(3, v.state, v.base), 4);
  Array1<int> big(3, 2000000000), none(3, 0);
  EXPECT_EQ(CNTFAL(3, none, big), 2147483647);
}

}  // namespace
}  // namespace molvex

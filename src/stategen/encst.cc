#include "stategen/encst.h"

#include <algorithm>
#include <climits>

#include "main/globals.h"

namespace molvex {
namespace {

int tooManyFailures(const char* routine) {
  errorLine(SCRUNT, routine, "F400") << "# FAILURES EXCEED DECLARED LENGTH OF AN ENCODED STATE";
  return ERRGEN;
}

}  // namespace

int encodedRoom(int LENMAX, CIntTab WORK, CIntTab ENCODE) {
  return std::min({LENMAX, WORK.size(), ENCODE.size() - 3});
}

int ENCSTA(CIntTab STATE, int NSLOT, IntTab WORK, IntTab ENCODE, int LENMAX, CIntTab BASE) {
  // Every slot is read, as for every state searched or stored: the slots are
  // checked once, and each failed unit's slot is written in its place as it
  // is met, in ascending order.
  const int* const state = STATE.checkedRun(NSLOT);
  const int* const base = BASE.checkedRun(NSLOT);
  const int room = encodedRoom(LENMAX, WORK, ENCODE);
  int* const code = ENCODE.begin();  // code[j] is word j + 1
  int k = 0;
  for (int i = 0; i < NSLOT; ++i) {
    for (int lost = base[i] - state[i]; lost > 0; --lost) {
      if (k >= room) return tooManyFailures("ENCSTA");
      code[++k] = i + 1;
    }
  }
  ENCODE(1) = k;
  if (k == 0) return SUCCES;
  ENCODE(k + 2) = STATE(NSLOT + 1);
  ENCODE(k + 3) = STATE(NSLOT + 2);
  return SUCCES;
}

int DECSTA(IntTab STATE, int NSLOT, CIntTab ENCODE, int LENMAX, CIntTab BASE) {
  for (int i = 1; i <= NSLOT; ++i) STATE(i) = BASE(i);
  const int k = ENCODE(1);
  if (k > LENMAX || k + 3 > ENCODE.size()) return tooManyFailures("DECSTA");
  for (int j = 2; j <= k + 1; ++j) {
    const int t = ENCODE(j);
    if (t > NSLOT || t < 1) {
      errorLine(SCRUNT, "DECSTA", "F401")
          << "CMPNT TYPE " << t << " SPECIFIED IN ENCODED STATE IS OUT OF RANGE";
      return ERRGEN;
    }
    STATE(t) -= 1;
  }
  STATE(NSLOT + 1) = ENCODE(k + 2);
  STATE(NSLOT + 2) = ENCODE(k + 3);
  return SUCCES;
}

int CNTFAL(int NSLOT, CIntTab STATE, CIntTab BASE) {
  // Multiplicities come from the user's file; the sum must not overflow.
  long long sum = 0;
  const int* const state = STATE.checkedRun(NSLOT);
  const int* const base = BASE.checkedRun(NSLOT);
  for (int i = 0; i < NSLOT; ++i) sum += static_cast<long long>(base[i]) - state[i];
  return failureCount(sum);
}

int failureCount(long long sum) {
  NFALST = static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
  return NFALST;
}

}  // namespace molvex

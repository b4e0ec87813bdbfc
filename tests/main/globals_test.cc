#include "main/globals.h"

#include <gtest/gtest.h>

#include "support/console.h"

namespace molvex {
namespace {

TEST(Globals, InitialisationSetsEveryGroupAgain) {
  BASUNT = UNT15 = SUCCES = NOTFND = YES = NODEF = FNARC = TFDEP = 0;
  INITDR();
  EXPECT_EQ((std::vector<int>{BASUNT, DICUNT, KBDUNT, SCRUNT, TXTUNT, FTRUNT, INTUNT, UNT10,
                              UNT11, UNT12, UNT13, UNT14, UNT15}),
            (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ((std::vector<int>{SUCCES, CVTERR, ERRGEN, ENDFIL, ENDLIN, UNUSD2, UNUSD3, QBOUND,
                              QOVFLO, QUNDFL, STKOVF, STKUNF, NOTFND}),
            (std::vector<int>{1, 0, -1, -11, -10, -2, -3, -4, -5, -6, -7, -8, -15}));
  EXPECT_EQ((std::vector<int>{YES, NO, NODEF}), (std::vector<int>{1, 0, -1}));
  EXPECT_EQ((std::vector<int>{HDNPLC, HDFREE, HDROOT, FTYPE, FGATM, FCTYPE, FPAND, FGATN, FMULT,
                              FSHARE, FBASIC, FSPBAS, FNARC, ARCSIZ}),
            (std::vector<int>{1, 2, 3, 1, 2, 2, 2, 3, 3, 3, 4, 4, 5, 1}));
  EXPECT_EQ((std::vector<int>{TBASIC, TOR, TMOFN, TAND, TBOX, TFBOX, TXOR, TCSP, TNOT, TPAND,
                              TSEQ, TFDEP}),
            (std::vector<int>{16, 17, 18, 19, 21, 22, 24, 25, 26, 27, 28, 29}));
}

TEST(Globals, UtilitySettingsAreStoredInOrder) {
  SUCCES = 0;
  INIUTL(1, 7, 8, 1);
  EXPECT_EQ((std::vector<int>{UTRACE, UTLINP, UTLMSG, UTQUIE}), (std::vector<int>{1, 7, 8, 1}));
  EXPECT_EQ(SUCCES, 1);
  INIUTL(0, 5, 6, 0);
}

// A failure two levels deep: one error line, then one traceback line per
// level, all carrying the same status.
int level2() {
  errorLine(SCRUNT, "ENCSTA", "F400") << "# FAILURES EXCEED DECLARED LENGTH OF AN ENCODED STATE";
  return ERRGEN;
}
int level1() {
  const int status = level2();
  if (status != SUCCES) traceback(SCRUNT, "AD2LST", status, "ENCSTA");
  return status;
}

TEST(ErrorConvention, ErrorThenOneTracebackPerLevel) {
  testing::Console con;
  INITDR();
  const int status = level1();
  if (status != SUCCES) {
    tracebackLine(SCRUNT, "FT2MC") << "ERROR " << status << " RETURNED BY AD2LST() ****";
  }
  EXPECT_EQ(con.lines(),
            (std::vector<std::string>{
                " **** ENCSTA: ERROR F400 - # FAILURES EXCEED DECLARED LENGTH OF AN ENCODED STATE",
                " **** AD2LST: TRACEBACK - ERROR -1 RETURNED BY ENCSTA()",
                " **** FT2MC: TRACEBACK - ERROR -1 RETURNED BY AD2LST() ****",
            }));
}

TEST(ErrorConvention, WarningAndWideErrorLines) {
  testing::Console con;
  warningLine(6, "FT2MC", "F103") << "MARKOV CHAIN ";
  errorLine(6, "GETNOD", "U402", 2) << "NODSIZ " << 300 << " IS > MAX NODE SIZE " << 290;
  traceback(6, "RDDICT", -11, "SKPICT", " ****");
  EXPECT_EQ(con.lines(), (std::vector<std::string>{
                             " ++++ FT2MC: WARNING F103 - MARKOV CHAIN ",
                             " **** GETNOD:  ERROR U402 - NODSIZ 300 IS > MAX NODE SIZE 290",
                             " **** RDDICT: TRACEBACK - ERROR -11 RETURNED BY SKPICT() ****",
                         }));
}

}  // namespace
}  // namespace molvex

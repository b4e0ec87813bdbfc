#include "main/error.h"

#include <string>

namespace molvex {

void INIERR() {
  SUCCES = 1;
  CVTERR = 0;
  ERRGEN = -1;
  ENDFIL = -11;
  ENDLIN = -10;
  UNUSD2 = -2;
  UNUSD3 = -3;
  QBOUND = -4;
  QOVFLO = -5;
  QUNDFL = -6;
  STKOVF = -7;
  STKUNF = -8;
  NOTFND = -15;
}

namespace {

Line headed(int unit, std::string_view mark, std::string_view routine, int gap) {
  Line line(unit);
  line << mark << ' ' << routine << ':';
  for (int i = 0; i < gap; ++i) line << ' ';
  return line;
}

}  // namespace

Line errorLine(int unit, std::string_view routine, std::string_view code, int gap) {
  Line line = headed(unit, "****", routine, gap);
  line << "ERROR " << code << " - ";
  return line;
}

Line tracebackLine(int unit, std::string_view routine, int gap) {
  Line line = headed(unit, "****", routine, gap);
  line << "TRACEBACK - ";
  return line;
}

void traceback(int unit, std::string_view routine, int status, std::string_view callee,
               std::string_view tail) {
  tracebackLine(unit, routine) << "ERROR " << status << " RETURNED BY " << callee << "()"
                               << tail;
}

void processingLine(int unit, CIntTab STATE, int n) {
  Line line(unit);
  line << "                         PROCESSING STATE ";
  for (int i = 1; i <= n; ++i) line << STATE(i);
}

Line warningLine(int unit, std::string_view routine, std::string_view code) {
  Line line = headed(unit, "++++", routine, 1);
  line << "WARNING " << code << " - ";
  return line;
}

}  // namespace molvex

#include "main/globals.h"

namespace molvex {

void INIFIL() {
  int* const units[] = {&BASUNT, &DICUNT, &KBDUNT, &SCRUNT, &TXTUNT, &FTRUNT, &INTUNT,
                        &UNT10,  &UNT11,  &UNT12,  &UNT13,  &UNT14,  &UNT15};
  int number = 3;
  for (int* unit : units) *unit = number++;
}

void INIRSP() {
  YES = 1;
  NO = 0;
  NODEF = -1;
}

void INIGBL() {
  INIFIL();
  INIERR();
  INIRSP();
}

void INITDR() {
  INIGBL();
  INIPLC();
  INIGAT();
}

void INIUTL(int trace, int input, int message, int quiet) {
  UTRACE = trace;
  INIERR();
  UTLINP = input;
  UTLMSG = message;
  UTQUIE = quiet;
}

}  // namespace molvex

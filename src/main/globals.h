// Initialisation of the global constants, run at the start of every model.
#pragma once

#include "ftinput/gates.h"
#include "ftinput/plctab.h"
#include "main/error.h"
#include "main/files.h"
#include "main/resp.h"

namespace molvex {

void INITDR();  // INIGBL, INIPLC, INIGAT
void INIGBL();  // INIFIL, INIERR, INIRSP

}  // namespace molvex

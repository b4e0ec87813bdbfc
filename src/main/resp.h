// RESP: the answers of a yes/no question and the "no default" marker.
#pragma once

namespace molvex {

inline int YES = 1;
inline int NO = 0;
inline int NODEF = -1;

void INIRSP();

}  // namespace molvex

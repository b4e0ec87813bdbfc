#include "galileo/translation.h"

namespace molvex {

bool translateDft(const DftModel& model, std::string_view source, DftFiles& files, Error& error,
                  bool limits) {
  files = DftFiles();
  files.warnings = model.warnings;
  dft::Report report(error, files.warnings);
  dft::Net net;
  dft::Spares spares;
  dft::Dormancy dormant;
  dft::Layout layout;
  // The steps of translation.h in their order: each refusal ends it, with
  // the warnings given up to there.
  const bool representable =
      dft::resolve(model, net, report) == 1 && dft::checkParameters(net, report) == 1 &&
      dft::checkGates(net, limits, report) == 1 && dft::checkCycles(net, report) == 1 &&
      dft::formModules(net, spares, report) == 1 &&
      dft::checkSpareRoles(net, spares, report) == 1 &&
      dft::checkTriggers(net, spares, report) == 1 && dft::checkOrders(net, spares, report) == 1 &&
      dft::dormancy(net, spares, dormant, report) == 1 &&
      dft::place(net, spares, limits, layout, report) == 1 &&
      dft::checkTransitions(net, report) == 1;
  if (!representable) return false;
  files.txt = dft::textDescription(net, layout);
  dft::writeDictionary(net, spares, layout, dormant, source, files);
  return true;
}

}  // namespace molvex

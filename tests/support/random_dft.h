// Random Galileo models of dynamic parts (spares, priority-AND gates, voting
// and static gates over exponential events) under a static top, some parts
// tied by a shared event or a dependency, for the tests that compare two
// ways to the same figures.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace molvex::testing {

class RandomModel {
 public:
  explicit RandomModel(unsigned seed) : random_(seed) {}

  // The model's text; each call a new model of the same generator.

  std::string text() {
    std::vector<std::string> inputs;
    for (int i = pick(2, 4); i > 0; --i) inputs.push_back(subtree());
    // Now and then an event of one subtree shared by another, or a
    // dependency between two: the parts they tie are one.
    if (pick(0, 3) == 0 && events_ > 1) inputs.push_back(gateOf("and", {event(0), event(1)}));
    if (pick(0, 3) == 0 && events_ > 1) {
      const int trigger = pick(0, events_ - 1);
      elements_ += "F fdep " + event(trigger) + " " + event((trigger + 1) % events_) + ";\n";
    }
    const int n = static_cast<int>(inputs.size());
    const std::string k = std::to_string(pick(1, n));
    std::string top = pick(0, 2) == 0   ? "or"
                      : pick(0, 1) == 0 ? "and"
                                        : k + "of" + std::to_string(n);
    for (const std::string& input : inputs) top += " " + input;
    return "toplevel T;\nT " + top + ";\n" + elements_ + rates_;
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  std::string event(int i) const { return "E" + std::to_string(i); }

  std::string newEvent(bool dorm) {
    const std::string name = event(events_++);
    const double rates[] = {0.3, 0.7, 1.1, 2.5};
    rates_ += name + " lambda=" + std::to_string(rates[pick(0, 3)]);
    if (dorm) rates_ += " dorm=" + std::string(pick(0, 1) ? "0" : "0.4");
    rates_ += ";\n";
    return name;
  }

  std::string gateOf(const std::string& kind, const std::vector<std::string>& inputs) {
    const std::string name = "G" + std::to_string(gates_++);
    elements_ += name + " " + kind;
    for (const std::string& input : inputs) elements_ += " " + input;
    elements_ += ";\n";
    return name;
  }

  std::string subtree() {
    switch (pick(0, 5)) {
      case 0:
        return newEvent(false);
      case 1:
        return gateOf("csp", {newEvent(false), newEvent(true)});
      case 2:
        return gateOf("pand", {newEvent(false), newEvent(false)});
      case 3:
        return gateOf("or", {newEvent(false), gateOf("and", {newEvent(false), newEvent(false)})});
      case 4:
        return gateOf("2of3", {newEvent(false), newEvent(false), newEvent(false)});
      default:
        return gateOf("wsp", {newEvent(false), newEvent(true), newEvent(true)});
    }
  }

  std::mt19937 random_;
  int events_ = 0;
  int gates_ = 0;
  std::string elements_;
  std::string rates_;
};

}  // namespace molvex::testing

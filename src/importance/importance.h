// Which component to improve: the exact derivatives of a chain's MTTF and
// unreliability by every rate name at once, by the adjoint of the passes
// that compute them, and the measures of each component read from them.
//
// Rate name k of value θ_k gives each of its arcs the rate m·θ_k (m the
// arc's multiplier).  The MTTF's adjoint: with w(s) the mean time to
// absorption from s and τ(s) the mean time spent in s,
//   dMTTF/dθ_k = Σ over arcs s→t of name k  m · τ(s) · (w(t) − w(s)).
// The unreliability's: with P the uniformized step (rate q), v_j the
// distribution after j steps, f the failure states' indicator, β_n the
// Poisson weights of qT and λ_m = Σ_{n≥m} β_n P^{n−m} f,
//   dU(T)/dθ_k = (1/q) Σ_j Σ over arcs s→t of name k  m · v_j(s) · (λ_{j+1}(t) − λ_{j+1}(s)),
// one forward and one backward sweep for all k together.
#pragma once

#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/solve.h"
#include "util/array1.h"

namespace molvex {

// The derivatives of a chain's figures by each of its rate names
// (Chain::rateNames), or why a figure has none.
struct RateDerivatives {
  Array1<double> mttf;  // by rate name; empty when mttfWhy says why
  std::string mttfWhy;
  struct AtTime {
    double time = 0.0;
    Array1<double> d;  // by rate name; empty when `why` says why
    std::string why;
    long steps = 0;  // of the uniformized chain, forward and back
    // T·dU/dT from the same distributions, which Σ_k θ_k·d_k equals.
    double timeDerivative = 0.0;
  };
  std::vector<AtTime> unreliability;
};

// Each θ_k·dU(T)/dθ_k is within `epsilon` of the exact one (round-off
// aside): the Poisson weights left out are at most epsilon / (2qT + 2) on each
// side, and a weight β_n left out moves dU/dθ_k by at most β_n·n·c_k/q, with
// c_k the largest multiplier sum of name k out of one state, θ_k·c_k ≤ q.
// A time whose sweep would take more than maxSteps steps, and every figure
// of a chain with truncation states (the derivatives of its bounds bound
// nothing), get a reason instead.
//
// The backward sweep reads the forward one's distributions in reverse: they
// are kept while they take at most `storedBytes` (0: 256 MiB, or twice the
// chain's own tables where that is more), else only every B-th (B about the
// square root of the steps) and the others formed again from them, which
// costs a second forward sweep; a time whose 2√steps distributions do not
// fit either has no derivatives, with the reason.
constexpr double adjointBytes = 256.0 * 1024 * 1024;
RateDerivatives rateDerivatives(const Chain& chain, const Array1<double>& rate,
                                const Array1<int>& order, int initial,
                                const std::vector<double>& times, double epsilon, long maxSteps,
                                double storedBytes = 0.0);

// d/dθ_k of Σ_j c_j·U(t_j) by one backward sweep (each term within
// |c_j|·epsilon as above), into d; else the reason, d left empty.
std::string weightedDerivatives(const Chain& chain, const Array1<double>& rate,
                                const Array1<int>& order, int initial,
                                const std::vector<double>& times, const std::vector<double>& c,
                                double epsilon, long maxSteps, Array1<double>& d);

// A component of the model: the rate names whose values move with its
// failure rate λ in proportion (its own, and the rate while dormant).
struct Component {
  std::string label;
  std::vector<int> names;  // into Chain::rateNames, its own rate first
  double lambda = 0.0;
};

// The components of a chain: each rate name of a type's own rate once,
// labelled by the type where one type has it and by the rate name (a
// parameter of several) where more do, with the types' dormant rates.
std::vector<Component> chainComponents(const Chain& chain, const Array1<double>& rate);

// dF/dλ of a component, from the derivatives of F by rate name: Σ (θ_k/λ)·d_k
// over its names, or its own name's alone where λ is 0.
double byComponent(const Component& c, const Array1<double>& d, const Array1<double>& theta);

// The value of each rate name, from the arcs' rates.
Array1<double> rateValues(const Chain& chain, const Array1<double>& rate);

// What a component means to the figures.  NaN where a measure has no value
// (its reason in Measures); "perfect" figures are bounds after a truncated
// run, equal bounds otherwise.
struct ComponentMeasures {
  std::string component;
  std::string rateName;  // its own rate's name, as a rates file gives it
  // Every rate name that moves with λ (its own first) and its value.
  std::vector<std::pair<std::string, double>> rates;
  double lambda = 0.0;
  double dMttf = 0.0;            // dMTTF/dλ
  double mttfCriticality = 0.0;  // (λ/MTTF)·dMTTF/dλ
  double mttfPerfectLower = 0.0;  // the MTTF with λ = 0
  double mttfPerfectUpper = 0.0;
  // By time asked:
  std::vector<double> dU;           // dU(T)/dλ
  std::vector<double> criticality;  // (λ/U)·dU/dλ
  std::vector<double> perfectLower;  // U(T) with λ = 0
  std::vector<double> perfectUpper;
  std::string perfectWhy;  // why the perfect figures are NaN, or ""
};

// A chain's names as the model names them: its components (elements) and
// its rate names, each kept where the map has none.
struct ModelNames {
  std::map<std::string, std::string> labels;
  std::map<std::string, std::string> rates;
};

// The measures under the model's names.
ComponentMeasures renamedMeasures(ComponentMeasures c, const ModelNames& names);

// Why a figure after a truncated run has no derivative.
constexpr const char* truncatedRun =
    "after a truncated run the figures are bounds, and the derivatives of bounds bound nothing: "
    "generate the complete chain";

// Why an infinite MTTF has no derivative.
constexpr const char* infiniteMttf =
    "the MTTF is infinite: the model can end in a state that has not failed";

// What a measure without a value holds.
constexpr double noMeasure = std::numeric_limits<double>::quiet_NaN();

// Ranks by the criticality of U at the last time, the largest |value|
// first, those without one last.
void rankComponents(std::vector<ComponentMeasures>& components);

// The chain's rates with those of rate names `names` at 0.
Array1<double> withoutRates(const Chain& chain, const Array1<double>& rate,
                            const std::vector<int>& names);

struct Measures {
  // Ranked by the criticality of U at the last time asked, the largest
  // first (those without one last).
  std::vector<ComponentMeasures> components;
  std::string mttfWhy;             // why no MTTF derivative, or ""
  std::vector<std::string> why;    // by time: why no U derivative, or ""
  double mttfCriticalitySum = 0.0;  // −1 for every chain
  std::vector<double> elasticitySum;   // by time: Σ λ·dU/dλ ...
  std::vector<double> timeDerivative;  // ... which T·dU/dT equals
};

// The check sums of `out` opened, from its reasons (why, mttfWhy) and
// the T·dU/dT of each time: 0 to add to where there are derivatives, NaN
// where not.
void openChecks(Measures& out);

// The criticalities of a component whose derivatives (dMttf, dU) are those
// of one of `count` elements alike, NaN where `out` says why there are none,
// and their part of the check sums; `today` the figures at each time.
void addCriticalities(ComponentMeasures& m, int count, const Figures& figures,
                      const std::vector<Unreliability>& today, Measures& out);

// How the components of a lumped chain stand for the model's elements.  A
// chain folded by symmetries holds the figures only at rates the symmetries
// keep: a component's rates move only together with those of the components
// they map it onto (its orbit, itself among them), and at rates they keep
// each of those has the same share of the orbit's derivative.  A chain
// lumped over parts the same up to names moves a component's rates in every
// part at once: each of its `copies` elements has its share of that.
struct Lumping {
  std::function<std::vector<std::size_t>(std::size_t component)> orbit;  // into chainComponents
  std::function<int(const Component&)> copies;
  // The figures with one element of the component perfect, from a chain of
  // their own: "" with them, or why there are none.
  std::function<std::string(const Component&, Figures&, std::vector<Unreliability>&)> perfect;
};

// The figures of the chain with rates `rate` (a component's at 0), each
// time's unreliability NaN where it cannot be solved.
void perfectFigures(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                    int initial, const std::vector<double>& times, double epsilon, long maxSteps,
                    Figures& figures, std::vector<Unreliability>& u);

// The measures of every component of the chain with the figures it has
// (`today`, one per time of `times`), each derivative within the bound of
// rateDerivatives, each perfect figure solved again with the component's
// rates at 0 as the figures were -- or, with `lumping`, each element's.
Measures measureComponents(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                           int initial, const std::vector<double>& times, double epsilon,
                           long maxSteps, const Figures& figures,
                           const std::vector<Unreliability>& today,
                           const Lumping* lumping = nullptr);

}  // namespace molvex

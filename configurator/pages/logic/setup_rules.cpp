#include "pages/logic/setup_rules.h"

#include <algorithm>
#include <cmath>

#include "model/engineering_units.h"
#include "model/number_text.h"

namespace velk {
namespace {

constexpr CodedItem kActuatorTypeItems[] = {{0, "Rotating"}, {1, "Linear"}};
constexpr CodedItem kActuatorSizeItems[] = {{0, "Small"}, {1, "Medium"}, {2, "Large"}, {3, "Texas-size"}};
constexpr CodedItem kActuatorFunctionItems[] = {{1, "Single act"}, {0, "Double act"}};
constexpr CodedItem kDirectionItems[] = {{0, "Direct"}, {1, "Reverse"}};
constexpr CodedItem kTravelControlItems[] = {{0, "Free"}, {1, "Cutoff"}, {2, "Limited"}};

}  // namespace

constinit const CodedItemTable kActuatorTypes{kActuatorTypeItems, 0, std::nullopt};
constinit const CodedItemTable kActuatorSizes{kActuatorSizeItems, 3, std::nullopt};
constinit const CodedItemTable kActuatorFunctions{kActuatorFunctionItems, 0, 1};
constinit const CodedItemTable kDirections{kDirectionItems, 0, std::nullopt};
constinit const CodedItemTable kTravelControls{kTravelControlItems, 2, std::nullopt};

}  // namespace velk

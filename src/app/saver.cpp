#include "app/saver.h"

#include <cmath>
#include <limits>

namespace tunedeck {

SaverStep advancesaver(SaverCounters& counters, int savertime) {
    SaverStep step;
    if (counters.idlecount == 0) step.restore = true;
    // The counter stays at its maximum; from then on it counts as past every threshold, the
    // largest included, so the saver blanks once there and its text keeps moving.
    const bool counting = counters.idlecount < std::numeric_limits<int16_t>::max();
    if (counting) ++counters.idlecount;
    if (counting && counters.idlecount == savertime) {
        step.blank = true;
        counters.movecount = 4;
    }
    if (savertime != 0 && (counters.idlecount > savertime || !counting)) {
        if (counters.movecount < std::numeric_limits<int16_t>::max()) ++counters.movecount;
        if (counters.movecount > 5) {
            counters.movecount = 0;
            step.movetext = true;
        }
    }
    return step;
}

SaverPlace saverplace(std::mt19937& random, int64_t width, int64_t height) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const double r1 = uniform(random);
    const double r2 = uniform(random);
    SaverPlace place;
    place.x = static_cast<int64_t>(std::floor(static_cast<double>(width) / 2.0 * r1)) + 1;
    place.y = static_cast<int64_t>(std::floor(static_cast<double>(height - 1000) * r2)) + 1;
    return place;
}

}  // namespace tunedeck

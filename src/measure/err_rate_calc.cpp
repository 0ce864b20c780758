#include "measure/err_rate_calc.h"

#include <cmath>

#include "core/errors.h"

namespace rf::measure {

float exponentOfStep(int step) {
    // Computed in double and stored as a single: step 18 is then exactly the
    // single nearest to -1.9, as a "<= -1.9" comparison expects.
    return static_cast<float>(step * 0.2 - 5.5);
}

float CaluErrRate(const Samples& samples, int channel, int count) {
    // The largest sample; the last of equal ones is the one left out. The
    // search starts at the lowest exponent a step can give.
    float max = -5.5f;
    int maxAt = 0;
    for (int i = 1; i <= count; ++i) {
        if (samples(i, channel) >= max) {
            max = samples(i, channel);
            maxAt = i;
        }
    }
    // The smallest of the others, starting from the highest exponent a step
    // can give. When no sample qualifies the starting value is left out.
    float min = -1.9f;
    for (int i = 1; i <= count; ++i)
        if (i != maxAt && samples(i, channel) <= min) min = samples(i, channel);

    // Sums and means are formed in single precision; only the powers and the
    // logarithm are evaluated in double.
    const auto power = [](float exponent) {
        return static_cast<float>(std::pow(10.0, static_cast<double>(exponent)));
    };
    float sum = 0.0f;
    for (int i = 1; i <= count; ++i)
        sum += power(samples(i, channel));

    if (count == 2) Raise(err::DivisionByZero);
    const float mean = (sum - (power(max) + power(min))) / static_cast<float>(count - 2);
    // Only a count below 3 or samples outside the step range can leave
    // nothing positive here; the logarithm has no value for it.
    if (!(mean > 0.0f)) Raise(err::InvalidCall);
    return static_cast<float>(std::log(static_cast<double>(mean)) / std::log(10.0));
}

}  // namespace rf::measure

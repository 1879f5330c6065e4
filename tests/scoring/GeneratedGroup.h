#pragma once
#include "scoring/Psychometrics.h"

#include <cmath>
#include <vector>

// Subjects answering as a six-type circular model says, with noise: each has an angle on the
// ring; a type's propensity falls with its distance from it; ticks follow the propensity
// through a logistic curve with a difficulty per item, ratings rise with it. Girls tick the
// first three items of part 1 of the type h more often and boys those of the type v. A
// portable generator, so every platform draws the same subjects.
class GeneratedGroup {
public:
    explicit GeneratedGroup(quint64 seed)
        : m_state(seed * 2862933555777941757ull + 3037000493ull)
    {
    }

    double uniform()
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return double((m_state >> 11) & ((1ull << 53) - 1)) / double(1ull << 53);
    }
    double normal() // Box-Muller
    {
        const double u = 1.0 - uniform(), v = uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

    std::vector<Psychometrics::Subject> subjects(int n, const QStringList& grades = {"9", "10"})
    {
        using namespace Psychometrics;
        std::vector<Subject> out;
        for (int k = 0; k < n; ++k) {
            Subject s;
            s.code = QString::number(k + 1);
            const bool girl = k % 2 == 1;
            s.sex = girl ? girlText() : boyText();
            s.grade = grades.value(k / 2 % int(grades.size()));
            const double angle = uniform() * 6.283185307179586;
            for (int t = 0; t < TypeCount; ++t) {
                const double propensity = 1.6 * std::cos(angle - t * 1.0471975511965976) + 0.5 * normal();
                int sum = 0;
                for (int i = 0; i < ItemsPerType; ++i) {
                    int value;
                    if (i < TickItems) {
                        double logit = propensity + 1.8 * (double(i % 9) / 8.0 - 0.5) - 0.4;
                        if (i < 3 && t == InterestTypes::H)
                            logit += girl ? 1.5 : -1.5;
                        if (i < 3 && t == InterestTypes::V)
                            logit += girl ? -1.5 : 1.5;
                        value = uniform() < 1.0 / (1.0 + std::exp(-logit)) ? 1 : 0;
                    } else {
                        value = int(std::lround(4.0 + 1.5 * propensity + normal()));
                        value = value < 1 ? 1 : value > 7 ? 7 : value;
                    }
                    s.items[size_t(t)][size_t(i)] = quint8(value);
                    sum += value;
                }
                s.totals[size_t(t)] = sum;
            }
            out.push_back(s);
        }
        return out;
    }

private:
    quint64 m_state;
};

#pragma once
#include "data/InterestTypes.h"

#include <QString>
#include <array>

// One registered subject: a row of IDE as stored (every value text; a value never written
// reads as ""). The six totals are empty until the subject's answers are stored.
struct Subject {
    QString code, firstName, lastName, sex, age, schoolClass, group, date, time;
    std::array<QString, InterestTypes::Count> totals{}; // V, J, H, A, M, GH
};

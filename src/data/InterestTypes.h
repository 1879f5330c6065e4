#pragma once

// The six interest types, the one place their letters and column keys are written. Every
// list indexed by type uses this order, which is also the order around the ring
// v-j-h-a-m-g-v: neighbours on the ring are one step apart, opposite types three.
namespace InterestTypes {
constexpr int Count = 6;

enum Type { V, J, H, A, M, G };

// Latin keys, used in object names and exported column names: v j h a m g.
inline constexpr const char* Latin[Count] = {"v", "j", "h", "a", "m", "g"};
// Persian letters, as the windows and reports show them.
inline constexpr const char* Persian[Count] = {"و", "ج", "ه", "الف", "م", "ق"};
// The IDE columns of the raw totals.
inline constexpr const char* TotalColumn[Count] = {"V", "J", "H", "A", "M", "GH"};
// The prefix of the answer columns in S1 to S3 ("v1", "J7") and in S4 ("V1", "A2").
inline constexpr const char* TickPrefix[Count] = {"v", "J", "H", "a", "M", "G"};
inline constexpr const char* RatingPrefix[Count] = {"V", "J", "H", "A", "M", "G"};

// Steps between two types around the ring (0..3).
constexpr int ringDistance(int a, int b)
{
    const int d = (a > b ? a - b : b - a) % Count;
    return d < Count - d ? d : Count - d;
}
} // namespace InterestTypes

#pragma once
#include <QString>
#include <QStringList>

// The names of the bits set in a flag word, from a table that gives each bit its names:
// the item flags, the answer-quality flags and the splits of a reference group.
namespace FlagNames {
struct Flag {
    unsigned bit;
    const char* id; // what the companion tool and the files write (ASCII)
    const char* words; // what the windows and the reports show (UTF-8); null where none is shown
};

// The chosen name (&Flag::id or &Flag::words) of each bit of `flags` that the table names, in
// the table's order.
template <typename Table> QStringList namesOf(unsigned flags, const Table& table, const char* Flag::*name)
{
    QStringList out;
    for (const Flag& f : table)
        if (flags & f.bit)
            out << QString::fromUtf8(f.*name);
    return out;
}

// The bit the table names `id`; 0 for a name it does not have.
template <typename Table> unsigned bitOf(const QString& id, const Table& table)
{
    for (const Flag& f : table)
        if (id == QLatin1String(f.id))
            return f.bit;
    return 0;
}
} // namespace FlagNames

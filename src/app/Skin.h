#pragma once
#include <QString>

class QWidget;

// Skins: a skin file skin/N.skn is a Qt style sheet. Every window runs the skin loading
// sequence when it loads: the skin name is the first field of skin/skin.txt, and the skin
// file of that name is applied to the window. A missing skin file leaves the default look.
namespace Skin {
// The first field of the first line of skin/skin.txt ("" when the file cannot be read).
QString readSkinName(bool* ok = nullptr);
// Loads skin/<name>.skn and applies it to the window (silently nothing when missing).
void apply(QWidget* window, const QString& skinName);
// readSkinName + apply; returns the name read.
QString loadInto(QWidget* window);
// Writes skin/skin.txt as one line: the name and CR LF.
bool writeSkinName(const QString& skinName);
} // namespace Skin

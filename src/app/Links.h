#pragma once
#include <QString>

// Addresses of the maker's web pages opened by the main window's link buttons.
namespace Links {
inline const QString MakerSite = QStringLiteral("https://www.meravel.ir");
inline const QString ShopSite = QStringLiteral("https://shop.meravel.ir");
inline const QString Channel = QStringLiteral("https://t.me/meravel_news");
inline QString onMakerSite(const QString& path) { return MakerSite + path; }
} // namespace Links

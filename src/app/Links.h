#pragma once
#include "BuildSettings.h"

#include <QString>

// Addresses of the maker's web pages opened by the main window's link buttons, as the build
// gives them (MERAVEL_MAKER_SITE, MERAVEL_SHOP_SITE, MERAVEL_NEWS_CHANNEL). An empty address
// has no link: its button is not shown.
namespace Links {
inline const QString MakerSite = QString::fromUtf8(BuildSettings::MakerSite);
inline const QString ShopSite = QString::fromUtf8(BuildSettings::ShopSite);
inline const QString Channel = QString::fromUtf8(BuildSettings::NewsChannel);
inline QString onMakerSite(const QString& path) { return MakerSite.isEmpty() ? QString() : MakerSite + path; }
} // namespace Links

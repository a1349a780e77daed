#include "view/DisplayPreferences.h"

// this program
#include "framework/CWinApp.h"
#include "framework/Trace.h"
#include "view/ViewColors.h"

// Qt
#include <QSettings>

namespace vtx {

namespace {

const QString kFontFamilyKey = QStringLiteral("Settings/FontFamily");
const QString kFontPointSizeKey = QStringLiteral("Settings/FontPointSize");
const QString kMinimumContrastKey = QStringLiteral("Settings/MinimumContrast");

std::optional<QFont>& ChosenFont()
{
    static std::optional<QFont> font;
    return font;
}

} // namespace

std::optional<QFont> ChosenViewFont()
{
    return ChosenFont();
}

void SetChosenViewFont(std::optional<QFont> font)
{
    ChosenFont() = std::move(font);
}

void LoadDisplayPreferences()
{
    const CWinApp* app = AfxGetApp();
    if (!app)
        return;
    const std::unique_ptr<QSettings> settings = app->GetProfile();
    SetMinimumContrastEnabled(settings->value(kMinimumContrastKey, true).toBool());
    const QString family = settings->value(kFontFamilyKey).toString();
    bool ok = false;
    const double points = settings->value(kFontPointSizeKey).toDouble(&ok);
    // A size no one reads is a damaged setting: the program's own font then.
    if (family.isEmpty() || !ok || points < 4 || points > 96) {
        SetChosenViewFont(std::nullopt);
        return;
    }
    QFont font(family);
    font.setPointSizeF(points);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setKerning(false);
    SetChosenViewFont(font);
}

void SaveDisplayPreferences()
{
    const CWinApp* app = AfxGetApp();
    if (!app)
        return;
    const std::unique_ptr<QSettings> settings = app->GetProfile();
    settings->setValue(kMinimumContrastKey, MinimumContrastEnabled());
    if (const std::optional<QFont> font = ChosenViewFont()) {
        settings->setValue(kFontFamilyKey, font->family());
        settings->setValue(kFontPointSizeKey, font->pointSizeF());
    } else {
        settings->remove(kFontFamilyKey);
        settings->remove(kFontPointSizeKey);
    }
    settings->sync();
    if (settings->status() != QSettings::NoError)
        Trace(QStringLiteral("settings %1 could not be written").arg(settings->fileName()));
}

} // namespace vtx

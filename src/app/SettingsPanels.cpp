#include "app/SettingsPanels.h"

#include "app/Dialogs.h"
#include "app/KeyFilters.h"
#include "app/Skin.h"
#include "data/ProgramFolder.h"
#include "data/SettingsStore.h"
#include "data/Utf8.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <iterator>

namespace {
const char* const kCaptionOff = "آرم را نمايش ندهد";
const char* const kCaptionOn = "آرم را نمايش دهد";

// The labels of the clinic details fields, top to bottom, in the order of the settings' texts
// (SettingsStore::textColumns(), which also names the fields).
const char* const kClinicLabels[] = {
    ":نام كلينيك ", " :آدرس", ":ايميل", " :تلگرام", ":اينستاگرام", " :سايت", ":تويتر", " :تلفن",
};

QPushButton* button(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QPushButton(u(caption), parent);
    b->setObjectName(name);
    return b;
}

QFrame* panel(QWidget* parent, const char* name)
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    f->setAutoFillBackground(true);
    f->hide();
    return f;
}
} // namespace

SettingsPanels::SettingsPanels(SettingsStore& settings, QWidget* parent)
    : QObject(parent)
    , m_settings(settings)
{
    buildSettingsPanel(parent);
    buildThemePanel(parent);
    buildClinicPanel(parent);
}

void SettingsPanels::buildSettingsPanel(QWidget* parent)
{
    m_settingsPanel = new QFrame(parent);
    m_settingsPanel->setObjectName("Frame8");
    // The settings panel wears the system's highlight colour (the skins give it their own).
    m_settingsPanel->setAutoFillBackground(true);
    m_settingsPanel->setBackgroundRole(QPalette::Highlight);

    // Right to left: the buttons stand at the right, the logo box with its check box at the left.
    auto* grid = new QGridLayout(m_settingsPanel);
    auto* buttons = new QVBoxLayout;
    auto* theme = button(m_settingsPanel, "Command68", "تغيير تم برنامه");
    auto* clinic = button(m_settingsPanel, "Command67", " مشخصات کلينيک");
    auto* logo = button(m_settingsPanel, "Command65", "انتخاب آرم کلينيک");
    auto* close = button(m_settingsPanel, "Command69", "خروج");
    connect(theme, &QPushButton::clicked, this, &SettingsPanels::openThemePanel);
    connect(clinic, &QPushButton::clicked, this, &SettingsPanels::openClinicPanel);
    connect(logo, &QPushButton::clicked, this, &SettingsPanels::chooseLogo);
    connect(close, &QPushButton::clicked, this, &SettingsPanels::closeSettings);
    for (QPushButton* b : {theme, clinic, logo})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close, 0, Qt::AlignHCenter);
    grid->addLayout(buttons, 0, 0, 2, 1);
    // Never shown: it only closes the panels.
    auto* edit = button(m_settingsPanel, "Cmndedit", " ويرايش سوالات");
    edit->hide();
    connect(edit, &QPushButton::clicked, this, &SettingsPanels::closeSettings);

    m_logoBox = new QLabel(m_settingsPanel);
    m_logoBox->setObjectName("Picture2");
    m_logoBox->setFrameShape(QFrame::Panel);
    m_logoBox->setFrameShadow(QFrame::Sunken);
    m_logoBox->setScaledContents(true); // drawn stretched to the box's inner size
    m_logoBox->setAutoFillBackground(true);
    m_logoBox->setBackgroundRole(QPalette::Base);
    // A picture of any size is drawn into the box; the box keeps its own size.
    m_logoBox->setMinimumSize(150, 110);
    m_logoBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    grid->addWidget(m_logoBox, 0, 1);

    m_showLogoBox = new QCheckBox(u(kCaptionOff), m_settingsPanel);
    m_showLogoBox->setObjectName("Check1");
    connect(m_showLogoBox, &QCheckBox::toggled, this, &SettingsPanels::onShowLogoToggled);
    grid->addWidget(m_showLogoBox, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

    m_settingsPanel->hide();
}

void SettingsPanels::buildThemePanel(QWidget* parent)
{
    m_themePanel = panel(parent, "Frame6");
    auto* column = new QVBoxLayout(m_themePanel);

    auto* label = new QLabel(u("شماره تم انتخاب شده"), m_themePanel);
    label->setObjectName("Label40");
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);

    m_themeNumber = new QLineEdit(m_themePanel);
    m_themeNumber->setObjectName("Txtthema");
    m_themeNumber->setAlignment(Qt::AlignCenter);
    m_themeNumber->setMaximumWidth(m_themeNumber->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    DigitKeyFilter::installDigits(m_themeNumber);
    connect(m_themeNumber, &QLineEdit::textChanged, this, &SettingsPanels::onThemeNumberChanged);

    // Right to left: Back stands at the right of the number, Next at its left.
    auto* back = button(m_themePanel, "Comdtback", "قبلي");
    auto* next = button(m_themePanel, "Comdtnext", "بعدي");
    connect(back, &QPushButton::clicked, this, &SettingsPanels::previousTheme);
    connect(next, &QPushButton::clicked, this, &SettingsPanels::nextTheme);
    auto* row = new QHBoxLayout;
    row->addWidget(back);
    row->addWidget(m_themeNumber);
    row->addWidget(next);
    column->addLayout(row);
    column->addSpacing(8);

    auto* close = button(m_themePanel, "Command46", "خروج");
    connect(close, &QPushButton::clicked, this, &SettingsPanels::closeThemePanel);
    column->addWidget(close, 0, Qt::AlignHCenter);
}

void SettingsPanels::buildClinicPanel(QWidget* parent)
{
    m_clinicPanel = panel(parent, "Frame9");
    auto* column = new QVBoxLayout(m_clinicPanel);
    // Right to left: each label at the right of its field.
    auto* grid = new QGridLayout;
    for (int row = 0; row < int(std::size(kClinicLabels)); ++row) {
        const QString column = QString::fromLatin1(SettingsStore::textColumns()[row]);
        auto* l = new QLabel(u(kClinicLabels[row]), m_clinicPanel);
        l->setObjectName("Label_" + column);
        // In right-to-left, leading is the right edge: the label hugs the panel's right side.
        l->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
        auto* e = new QLineEdit(m_clinicPanel);
        e->setObjectName("Text_" + column);
        e->setMinimumWidth(e->fontMetrics().averageCharWidth() * 40);
        grid->addWidget(l, row, 0);
        grid->addWidget(e, row, 1);
        m_clinicFields << e;
    }
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    connect(m_clinicFields[0], &QLineEdit::textChanged, this, &SettingsPanels::clinicNameEdited);

    auto* save = button(m_clinicPanel, "Command64", "ذخيره ");
    auto* cancel = button(m_clinicPanel, "Command7", "انصراف");
    connect(save, &QPushButton::clicked, this, &SettingsPanels::saveClinicDetails);
    connect(cancel, &QPushButton::clicked, this, &SettingsPanels::cancelClinicDetails);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addSpacing(40);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    column->addSpacing(6);
    column->addLayout(buttons);
}

QWidget* SettingsPanels::dialogOwner() const { return m_settingsPanel->window(); }

void SettingsPanels::hideAll()
{
    m_themePanel->hide();
    m_settingsPanel->hide();
    m_clinicPanel->hide();
}

void SettingsPanels::showSettingsPanel()
{
    m_settingsPanel->show();
    m_settingsPanel->raise();
}

void SettingsPanels::openSettings()
{
    emit resetRequested();
    showSettingsPanel();
}

bool SettingsPanels::showLogo() const { return m_showLogoBox->isChecked(); }

void SettingsPanels::settingsRead()
{
    const std::optional<SettingsStore::Settings> stored = m_settings.load();
    if (!stored)
        return;
    m_readingRow = true;
    for (int i = 0; i < m_clinicFields.size(); ++i)
        m_clinicFields[i]->setText(stored->text(i));
    setShowLogoBox(stored->showLogo);
    m_readingRow = false;
}

void SettingsPanels::setShowLogoBox(bool on)
{
    if (m_showLogoBox->isChecked() != on)
        m_showLogoBox->setChecked(on); // runs onShowLogoToggled
    else
        m_showLogoBox->setText(u(on ? kCaptionOn : kCaptionOff));
}

void SettingsPanels::onShowLogoToggled()
{
    const bool on = m_showLogoBox->isChecked();
    m_showLogoBox->setText(u(on ? kCaptionOn : kCaptionOff));
    if (m_readingRow)
        return; // the value came from the store: nothing new to store
    // Stored at once, without Save; a database error is ignored and the store keeps its value.
    m_settings.setShowLogo(on);
}

// ---- logo ----

QImage SettingsPanels::readPicture(const QString& path, QByteArray* format)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (format)
        *format = image.isNull() ? QByteArray() : reader.format().toLower();
    return image;
}

QByteArray SettingsPanels::logoFormatFor(const QByteArray& sourceFormat)
{
    // Whatever it was read from, the logo is written as what its name says: other programs
    // that open MeravelLogo.jpg trust the extension.
    Q_UNUSED(sourceFormat);
    return "jpeg";
}

bool SettingsPanels::saveLogo(const QImage& picture, const QByteArray& sourceFormat, const QString& path,
                              QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (picture.isNull())
        return fail(QString::fromUtf8("تصويري انتخاب نشده است"));
    // JPEG has no transparency: transparent parts become the white of the page.
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter p(&opaque);
        p.drawImage(0, 0, picture);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QImageWriter writer(&file, logoFormatFor(sourceFormat));
    writer.setQuality(90);
    if (!writer.write(opaque)) {
        const QString why = writer.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

void SettingsPanels::showLogoPicture()
{
    if (m_logoShown.isNull())
        m_logoBox->clear();
    else
        m_logoBox->setPixmap(QPixmap::fromImage(m_logoShown));
}

void SettingsPanels::loadLogoAtStartUp()
{
    m_logoStored = readPicture(ProgramFolder::logoFile());
    m_logoShown = m_logoStored;
    showLogoPicture();
}

void SettingsPanels::chooseLogo()
{
    emit resetRequested();
    showSettingsPanel();

    FileRequest request;
    request.filter = u("All (*.*)|*.*|تصاویر (*.jpg *.jpeg *.png *.bmp)|*.jpg;*.jpeg;*.png;*.bmp");
    const QString chosen = Dialogs::instance().openFile(dialogOwner(), request);
    if (!chosen.isEmpty()) {
        QByteArray format;
        const QImage picture = readPicture(chosen, &format);
        if (!picture.isNull()) { // a file that is no picture leaves the earlier choice
            m_logoChosen = picture;
            m_logoChosenFormat = format;
            m_logoShown = picture;
        }
    }
    if (m_logoChosen.isNull())
        return;
    QString error;
    if (!saveLogo(m_logoChosen, m_logoChosenFormat, ProgramFolder::logoFile(), &error)) {
        // Nothing was written: the old logo stays, on disk and on screen.
        m_logoShown = m_logoStored;
        showLogoPicture();
        Dialogs::show(dialogOwner(), error, u("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    showLogoPicture();
    m_logoStored = readPicture(ProgramFolder::logoFile());
    emit logoChanged(m_logoShown);
    Dialogs::show(dialogOwner(), u(" آرم ذخيره شد"), u("توجه"), MsgIcon::Information);
}

// ---- theme panel ----

void SettingsPanels::openThemePanel()
{
    emit resetRequested();
    showSettingsPanel();
    m_themePanel->show();
    m_themePanel->raise();
    m_themeNumber->setText(m_skinName); // runs the change rule when it differs
}

void SettingsPanels::onThemeNumberChanged()
{
    bool isNumber = false;
    const int value = m_themeNumber->text().toInt(&isNumber);
    // An empty box (the last digit deleted while typing a new number) changes nothing.
    if (!isNumber)
        return;
    if (value < FirstSkin) {
        m_themeNumber->setText(QString::number(FirstSkin));
        return;
    }
    if (value > LastSkin) {
        m_themeNumber->setText(QString::number(LastSkin));
        return;
    }
    // Plain decimal, so "05" names 5.skn rather than a file that does not exist.
    const QString name = QString::number(value);
    m_skinName = name;
    Skin::writeSkinName(name);
    emit skinChosen(name);
    if (m_themeNumber->text() != name)
        m_themeNumber->setText(name);
}

void SettingsPanels::previousTheme() { m_themeNumber->setText(QString::number(m_themeNumber->text().toInt() - 1)); }

void SettingsPanels::nextTheme() { m_themeNumber->setText(QString::number(m_themeNumber->text().toInt() + 1)); }

void SettingsPanels::closeThemePanel() { m_themePanel->hide(); }

// ---- clinic details panel ----

void SettingsPanels::openClinicPanel()
{
    emit resetRequested();
    m_settingsPanel->hide();
    m_clinicPanel->show();
    m_clinicPanel->raise();
    settingsRead();
}

void SettingsPanels::saveClinicDetails()
{
    // The show-logo setting stays as stored; a database error is ignored without a message.
    SettingsStore::Settings settings = m_settings.load().value_or(SettingsStore::Settings{});
    for (int i = 0; i < m_clinicFields.size(); ++i)
        settings.text(i) = m_clinicFields[i]->text();
    m_settings.save(settings); // the reports take the new contact lines at once
    m_clinicPanel->hide();
}

void SettingsPanels::cancelClinicDetails()
{
    m_clinicPanel->hide();
    // Show the stored values again, also in the banner that followed the typed name.
    settingsRead();
}

void SettingsPanels::closeSettings() { emit resetRequested(); }

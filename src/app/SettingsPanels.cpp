#include "app/SettingsPanels.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/KeyFilters.h"
#include "app/Skin.h"
#include "app/Twips.h"
#include "data/ProgramFolder.h"
#include "data/Utf8.h"

#include <QCheckBox>
#include <QFrame>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QPainter>
#include <QSaveFile>

namespace {
const char* const kCaptionOff = "آرم را نمايش ندهد";
const char* const kCaptionOn = "آرم را نمايش دهد";

// The clinic details fields, top to bottom: column of Theme and its label.
struct ClinicField {
    const char* column;
    const char* label;
};
const ClinicField kClinicFields[] = {
    {"Name", ":نام كلينيك "}, {"Adress", " :آدرس"},   {"T1", ":ايميل"}, {"T2", " :تلگرام"},
    {"T3", ":اينستاگرام"},    {"T4", " :سايت"},       {"T5", ":تويتر"}, {"T6", " :تلفن"},
};

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect twipsRect)
{
    auto* b = new QPushButton(u(caption), parent);
    b->setObjectName(name);
    b->setGeometry(twipsRect);
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

SettingsPanels::SettingsPanels(MainWindow* main)
    : QObject(main)
    , m_main(main)
{
    buildSettingsPanel();
    buildThemePanel();
    buildClinicPanel();
}

void SettingsPanels::buildSettingsPanel()
{
    m_frame8 = new QFrame(m_main);
    m_frame8->setObjectName("Frame8");
    // The settings panel wears the system's highlight colour (the skins give it their own).
    m_frame8->setAutoFillBackground(true);
    m_frame8->setBackgroundRole(QPalette::Highlight);
    m_frame8->setGeometry(Twips::rect(3090, 3660, 5055, 3075));

    connect(button(m_frame8, "Command68", "تغيير تم برنامه", Twips::rect(3150, 240, 1905, 555)),
            &QPushButton::clicked, this, &SettingsPanels::openThemePanel);
    connect(button(m_frame8, "Command67", " مشخصات کلينيک", Twips::rect(3150, 840, 1905, 555)),
            &QPushButton::clicked, this, &SettingsPanels::openClinicPanel);
    connect(button(m_frame8, "Command65", "انتخاب آرم کلينيک", Twips::rect(3150, 1440, 1905, 555)),
            &QPushButton::clicked, this, &SettingsPanels::chooseLogo);
    connect(button(m_frame8, "Command69", "خروج", Twips::rect(3510, 2355, 1185, 540)),
            &QPushButton::clicked, this, &SettingsPanels::closeSettings);
    // Lies below the panel's visible height; it only closes the panels.
    connect(button(m_frame8, "Cmndedit", " ويرايش سوالات", Twips::rect(3150, 3120, 1905, 555)),
            &QPushButton::clicked, this, &SettingsPanels::closeFromEditButton);

    m_picture2Box = new QLabel(m_frame8);
    m_picture2Box->setObjectName("Picture2");
    m_picture2Box->setGeometry(Twips::rect(225, 180, 2835, 2310));
    m_picture2Box->setFrameShape(QFrame::Panel);
    m_picture2Box->setFrameShadow(QFrame::Sunken);
    m_picture2Box->setScaledContents(true); // drawn stretched to the box's inner size
    m_picture2Box->setAutoFillBackground(true);
    m_picture2Box->setBackgroundRole(QPalette::Base);

    m_check1 = new QCheckBox(u(kCaptionOff), m_frame8);
    m_check1->setObjectName("Check1");
    m_check1->setGeometry(Twips::rect(240, 2550, 2850, 510));
    connect(m_check1, &QCheckBox::toggled, this, &SettingsPanels::showLogoToggled);

    m_frame8->hide();
}

void SettingsPanels::buildThemePanel()
{
    m_frame6 = panel(m_main, "Frame6");
    m_frame6->setGeometry(Twips::rect(3015, 1080, 3690, 2415));

    auto* label = new QLabel(u("شماره تم انتخاب شده"), m_frame6);
    label->setObjectName("Label40");
    label->setGeometry(Twips::rect(120, 240, 3450, 435));
    label->setAlignment(Qt::AlignCenter);

    m_txtthema = new QLineEdit(m_frame6);
    m_txtthema->setObjectName("Txtthema");
    m_txtthema->setGeometry(Twips::rect(1507, 900, 675, 435));
    m_txtthema->setAlignment(Qt::AlignCenter);
    DigitKeyFilter::installDigits(m_txtthema);
    connect(m_txtthema, &QLineEdit::textChanged, this, &SettingsPanels::themeNumberChanged);

    // Right to left: Back stands at the right of the number, Next at its left.
    connect(button(m_frame6, "Comdtback", "قبلي", Twips::rect(2352, 900, 1100, 435)), &QPushButton::clicked, this,
            &SettingsPanels::previousTheme);
    connect(button(m_frame6, "Comdtnext", "بعدي", Twips::rect(238, 900, 1100, 435)), &QPushButton::clicked, this,
            &SettingsPanels::nextTheme);
    connect(button(m_frame6, "Command46", "خروج", Twips::rect(1252, 1650, 1185, 540)), &QPushButton::clicked, this,
            &SettingsPanels::closeThemePanel);
}

void SettingsPanels::buildClinicPanel()
{
    m_frame9 = panel(m_main, "Frame9");
    m_frame9->setGeometry(Twips::rect(1410, 780, 6680, 4935));

    const int left = 240, width = 5355, height = 375, step = 480;
    int top = 180;
    for (const ClinicField& f : kClinicFields) {
        auto* e = new QLineEdit(m_frame9);
        e->setObjectName(QString("Text_") + f.column);
        e->setGeometry(Twips::rect(left, top, width, height));
        auto* l = new QLabel(u(f.label), m_frame9);
        l->setObjectName(QString("Label_") + f.column);
        l->setGeometry(Twips::rect(left + width + 45, top, 6680 - (left + width + 45) - 60, height));
        // In right-to-left, leading is the right edge: the label hugs the panel's right side.
        l->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
        m_fields << e;
        top += step;
    }
    connect(m_fields[0], &QLineEdit::textChanged, this, &SettingsPanels::clinicNameEdited);

    connect(button(m_frame9, "Command64", "ذخيره ", Twips::rect(3840, 4140, 1500, 495)), &QPushButton::clicked, this,
            &SettingsPanels::saveClinicDetails);
    connect(button(m_frame9, "Command7", "انصراف", Twips::rect(1500, 4140, 1500, 495)), &QPushButton::clicked, this,
            &SettingsPanels::cancelClinicDetails);
}

void SettingsPanels::hideAll()
{
    m_frame6->hide();
    m_frame8->hide();
    m_frame9->hide();
}

void SettingsPanels::openSettings()
{
    m_main->panelReset();
    m_frame8->show();
    m_frame8->raise();
}

bool SettingsPanels::showLogo() const { return m_check1->isChecked(); }

void SettingsPanels::settingsRowRead()
{
    RecordSet& theme = m_main->settings();
    if (!theme.hasCurrent())
        return;
    m_readingRow = true;
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(theme.value(kClinicFields[i].column));
    setCheck1(theme.value("Check1").trimmed() == "1");
    m_readingRow = false;
}

void SettingsPanels::setCheck1(bool on)
{
    if (m_check1->isChecked() != on)
        m_check1->setChecked(on); // runs showLogoToggled
    else
        m_check1->setText(u(on ? kCaptionOn : kCaptionOff));
}

void SettingsPanels::showLogoToggled()
{
    const bool on = m_check1->isChecked();
    m_check1->setText(u(on ? kCaptionOn : kCaptionOff));
    m_main->setClinicShowLogo(on);
    if (m_readingRow)
        return; // the value came from the row: nothing new to store
    // Stored at once, without Save; a database error is ignored and the row keeps its value.
    RecordSet& theme = m_main->settings();
    if (!theme.hasCurrent())
        return;
    theme.setValue("Check1", on ? "1" : "0");
    if (!theme.update())
        theme.cancelUpdate();
}

void SettingsPanels::clinicNameEdited() { m_main->setBannerText(m_fields[0]->text()); }

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

void SettingsPanels::showPicture2()
{
    if (m_picture2.isNull())
        m_picture2Box->clear();
    else
        m_picture2Box->setPixmap(QPixmap::fromImage(m_picture2));
}

void SettingsPanels::loadLogoAtStartUp()
{
    m_image1 = readPicture(ProgramFolder::logoFile());
    m_picture2 = m_image1;
    showPicture2();
}

void SettingsPanels::chooseLogo()
{
    m_main->panelReset();
    m_frame8->show();
    m_frame8->raise();

    FileRequest request;
    request.filter = u("All (*.*)|*.*|تصاویر (*.jpg *.jpeg *.png *.bmp)|*.jpg;*.jpeg;*.png;*.bmp");
    const QString chosen = Dialogs::instance().openFile(m_main, request);
    if (!chosen.isEmpty()) {
        QByteArray format;
        const QImage picture = readPicture(chosen, &format);
        if (!picture.isNull()) { // a file that is no picture leaves the earlier choice
            m_image2 = picture;
            m_image2Format = format;
            m_picture2 = picture;
        }
    }
    if (m_image2.isNull())
        return;
    QString error;
    if (!saveLogo(m_image2, m_image2Format, ProgramFolder::logoFile(), &error)) {
        // Nothing was written: the old logo stays, on disk and on screen.
        m_picture2 = m_image1;
        showPicture2();
        Dialogs::show(m_main, error, u("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    showPicture2();
    m_image1 = readPicture(ProgramFolder::logoFile());
    m_main->setClinicLogo(m_picture2);
    Dialogs::show(m_main, u(" آرم ذخيره شد"), u("توجه"), MsgIcon::Information);
}

// ---- theme panel ----

void SettingsPanels::openThemePanel()
{
    m_main->panelReset();
    m_frame8->show();
    m_frame8->raise();
    m_frame6->show();
    m_frame6->raise();
    m_txtthema->setText(m_main->currentSkinName()); // runs the change rule when it differs
}

void SettingsPanels::themeNumberChanged()
{
    bool isNumber = false;
    const int value = m_txtthema->text().toInt(&isNumber);
    // An empty box (the last digit deleted while typing a new number) changes nothing.
    if (!isNumber)
        return;
    if (value < FirstSkin) {
        m_txtthema->setText(QString::number(FirstSkin));
        return;
    }
    if (value > LastSkin) {
        m_txtthema->setText(QString::number(LastSkin));
        return;
    }
    // Plain decimal, so "05" names 5.skn rather than a file that does not exist.
    const QString name = QString::number(value);
    m_main->setCurrentSkinName(name);
    Skin::apply(m_main, name);
    Skin::writeSkinName(name);
    if (m_txtthema->text() != name)
        m_txtthema->setText(name);
}

void SettingsPanels::previousTheme()
{
    m_txtthema->setText(QString::number(m_txtthema->text().toInt() - 1));
}

void SettingsPanels::nextTheme()
{
    m_txtthema->setText(QString::number(m_txtthema->text().toInt() + 1));
}

void SettingsPanels::closeThemePanel() { m_frame6->hide(); }

// ---- clinic details panel ----

void SettingsPanels::openClinicPanel()
{
    m_main->panelReset();
    m_frame8->hide();
    m_frame9->show();
    m_frame9->raise();
    m_main->settings().requery();
    settingsRowRead();
}

void SettingsPanels::saveClinicDetails()
{
    RecordSet& theme = m_main->settings();
    if (theme.hasCurrent()) {
        for (int i = 0; i < m_fields.size(); ++i)
            theme.setValue(kClinicFields[i].column, m_fields[i]->text());
        // A database error is ignored without a message; the row keeps its stored values.
        if (!theme.update())
            theme.cancelUpdate();
    }
    theme.requery();
    theme.requery();
    m_frame9->hide();
    // The reports take the new contact lines at once, not only after the next start.
    const QImage logo = m_picture2;
    m_main->rebuildClinicData();
    m_main->setClinicLogo(logo);
    m_main->setClinicShowLogo(m_check1->isChecked());
}

void SettingsPanels::cancelClinicDetails()
{
    m_frame9->hide();
    // Show the stored values again, also in the banner that followed the typed name.
    m_main->settings().requery();
    settingsRowRead();
}

void SettingsPanels::closeSettings() { m_main->panelReset(); }

void SettingsPanels::closeFromEditButton() { m_main->panelReset(); }

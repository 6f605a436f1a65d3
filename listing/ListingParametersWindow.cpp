#include "listing/ListingParametersWindow.h"

#include "calendar/DayDivision.h"
#include "calendar/DayDivisionEditing.h"
#include "calendar/DayDivisionWindow.h"
#include "listing/DayListing.h"
#include "ui/WindowSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTime>

namespace kw {

namespace {

// The locale's long time format keeps the seconds, but on Linux it also names
// the time zone, which a time of day without a date cannot have.
QString TimeOfDayFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    out = out.simplified();
    if (!out.contains(QLatin1Char('s')))
        return QStringLiteral("H:mm:ss");
    return out;
}

} // namespace

const ListingParametersWindow::SumOptionBox ListingParametersWindow::SumOptionBoxes[6] = {
    {&ListingParametersWindow::CheckBoxNCth, DayDivision::ShowCount},
    {&ListingParametersWindow::CheckBoxPrum, DayDivision::ShowAverage},
    {&ListingParametersWindow::CheckBoxMax, DayDivision::ShowMaximum},
    {&ListingParametersWindow::CheckBoxSoucet, DayDivision::ShowSum},
    {&ListingParametersWindow::CheckBoxOD, DayDivision::PeriodSumsForOneDay},
    {&ListingParametersWindow::CheckBoxPZCD, DayDivision::DaySumsInAllModes},
};

QString DayStartText(int position, const QLocale& locale)
{
    const DayStartTime start = DayStartOfPosition(position);
    const QString time = locale.toString(QTime::fromMSecsSinceStartOfDay(start.secondOfDay * 1000),
                                         TimeOfDayFormat(locale));
    return start.previousDay ? time + QStringLiteral(" PD") : time;
}

ListingParametersWindow::ListingParametersWindow(ListingSettings& settings, DayDivision& division,
                                                 const ProgramLocation& location, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_division(division), m_location(location)
{
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Nastavení parametru výpisu"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont(8));
    setFixedSize(405, 416);

    GroupBoxZobrazeni = new QGroupBox(QStringLiteral(" Parametry zobrazení - výpis dne "), this);
    GroupBoxZobrazeni->setObjectName(QStringLiteral("GroupBoxZobrazeni"));
    GroupBoxZobrazeni->setGeometry(8, 4, 289, 222);
    m_modes = new QButtonGroup(this);
    const char* const radioNames[] = {"RadioButton1", "RadioButton2", "RadioButton3",
                                      "RadioButton4", "RadioButton5"};
    const QString radioTexts[] = {QStringLiteral("Čtvrthodiny"), QStringLiteral("Hodiny"),
                                  QStringLiteral("Hodiny (4 sloupce)"), QStringLiteral("Celý den"),
                                  QStringLiteral("Nic (pouze součet za období)")};
    QRadioButton** const radios[] = {&RadioButton1, &RadioButton2, &RadioButton3, &RadioButton4,
                                     &RadioButton5};
    for (int mode = 0; mode < 5; ++mode) {
        auto* radio = new QRadioButton(radioTexts[mode], GroupBoxZobrazeni);
        radio->setObjectName(QLatin1String(radioNames[mode]));
        radio->setGeometry(12, 20 + 19 * mode, 260, 19);
        m_modes->addButton(radio, mode);
        *radios[mode] = radio;
    }

    GroupBoxZD = new QGroupBox(QStringLiteral(" Začátek dne"), GroupBoxZobrazeni);
    GroupBoxZD->setObjectName(QStringLiteral("GroupBoxZD"));
    GroupBoxZD->setGeometry(8, 118, 273, 76);
    EditZD = new QLineEdit(GroupBoxZD);
    EditZD->setObjectName(QStringLiteral("EditZD"));
    EditZD->setReadOnly(true);
    EditZD->setGeometry(8, 18, 129, 22);
    TrackBarZD = new QSlider(Qt::Horizontal, GroupBoxZD);
    TrackBarZD->setObjectName(QStringLiteral("TrackBarZD"));
    TrackBarZD->setRange(DayStartMinPosition, DayStartMaxPosition);
    TrackBarZD->setSingleStep(1);
    TrackBarZD->setPageStep(1);
    TrackBarZD->setTickInterval(4);
    TrackBarZD->setTickPosition(QSlider::TicksBelow);
    TrackBarZD->setGeometry(4, 44, 265, 28);
    connect(TrackBarZD, &QSlider::valueChanged, this, &ListingParametersWindow::showDayStart);

    CheckBoxImp = MakeSettingsCheckBox(QStringLiteral("Zobrazit impulzy"), "CheckBoxImp",
                                       GroupBoxZobrazeni, QRect(12, 198, 200, 19));
    CheckBoxImp->setChecked(!m_settings.ConvertValues);
    connect(CheckBoxImp, &QCheckBox::toggled, this, &ListingParametersWindow::setShowImpulses);
    MakeHelpButton(GroupBoxZobrazeni, "ButtonHelpPPZ", QStringLiteral("NPV_PPZ"))
        ->setGeometry(256, 195, 23, 23);

    GroupBoxDen = new QGroupBox(QStringLiteral(" Součet za den "), this);
    GroupBoxDen->setObjectName(QStringLiteral("GroupBoxDen"));
    GroupBoxDen->setGeometry(8, 230, 289, 62);
    CheckBoxPZCD = MakeSettingsCheckBox(QStringLiteral("Zobrazit v případě "), "CheckBoxPZCD",
                                        GroupBoxDen, QRect(12, 18, 160, 19));
    LabelPZCD = new QLabel(QStringLiteral("Parametry zobrazení <> Celý den"), GroupBoxDen);
    LabelPZCD->setObjectName(QStringLiteral("LabelPZCD"));
    LabelPZCD->setGeometry(31, 40, 240, 16);
    ButtonNastaveniDen = MakeSettingsButton(QStringLiteral("Nastavení"), "ButtonNastaveniDen",
                                            GroupBoxDen, QRect(180, 14, 70, 23));
    connect(ButtonNastaveniDen, &QPushButton::clicked, this,
            &ListingParametersWindow::dayDivisionEditorRequested);
    MakeHelpButton(GroupBoxDen, "ButtonHelpSZD", QStringLiteral("NPV_SZD"))
        ->setGeometry(256, 14, 23, 23);

    GroupBoxObdobi = new QGroupBox(QStringLiteral(" Součet za období "), this);
    GroupBoxObdobi->setObjectName(QStringLiteral("GroupBoxObdobi"));
    GroupBoxObdobi->setGeometry(8, 296, 289, 114);
    CheckBoxNCth = MakeSettingsCheckBox(QStringLiteral("Počet čtvrthodin"), "CheckBoxNCth",
                                        GroupBoxObdobi, QRect(12, 18, 160, 18));
    CheckBoxPrum = MakeSettingsCheckBox(QStringLiteral("Průměr"), "CheckBoxPrum", GroupBoxObdobi,
                                        QRect(12, 36, 160, 18));
    CheckBoxMax = MakeSettingsCheckBox(QStringLiteral("Maximum"), "CheckBoxMax", GroupBoxObdobi,
                                       QRect(12, 54, 160, 18));
    CheckBoxSoucet = MakeSettingsCheckBox(QStringLiteral("Součet"), "CheckBoxSoucet",
                                          GroupBoxObdobi, QRect(12, 72, 160, 18));
    CheckBoxOD = MakeSettingsCheckBox(QStringLiteral("Zobrazit v případě OBDOBÍ=DEN"), "CheckBoxOD",
                                      GroupBoxObdobi, QRect(12, 90, 220, 18));
    ButtonNastaveniObdobi = MakeSettingsButton(QStringLiteral("Nastavení"), "ButtonNastaveniObdobi",
                                               GroupBoxObdobi, QRect(180, 14, 70, 23));
    connect(ButtonNastaveniObdobi, &QPushButton::clicked, this,
            &ListingParametersWindow::outputSumsRequested);
    MakeHelpButton(GroupBoxObdobi, "ButtonHelpSZO", QStringLiteral("NPV_SZO"))
        ->setGeometry(256, 14, 23, 23);

    ButtonOK = MakeSettingsButton(QStringLiteral("OK"), "ButtonOK", this, QRect(305, 12, 92, 25));
    ButtonOK->setDefault(true);
    ButtonCancel =
        MakeSettingsButton(QStringLiteral("Zruš"), "ButtonCancel", this, QRect(305, 43, 92, 25));
    ButtonSave = MakeSettingsButton(QStringLiteral("Ulož nastavení"), "ButtonSave", this,
                                    QRect(305, 74, 92, 25));
    connect(ButtonOK, &QPushButton::clicked, this, &ListingParametersWindow::applyAndClose);
    connect(ButtonCancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(ButtonSave, &QPushButton::clicked, this, &ListingParametersWindow::applyAndSave);
    MakeHelpButton(this, "ButtonHelpPV", QStringLiteral("MENU_PV"))->setGeometry(374, 388, 23, 23);

    PrepareListingParameters();
}

void ListingParametersWindow::prepareAndShow()
{
    PrepareListingParameters();
    ShowWindowNormal(this);
}

void ListingParametersWindow::PrepareListingParameters()
{
    const int32_t mode = m_settings.DisplayMode;
    if (QAbstractButton* radio = m_modes->button(mode)) {
        radio->setChecked(true);
    } else {
        // An exclusive group cannot uncheck its last button.
        m_modes->setExclusive(false);
        for (QAbstractButton* button : m_modes->buttons())
            button->setChecked(false);
        m_modes->setExclusive(true);
    }

    const uint8_t options = m_division.SumOptions();
    for (const SumOptionBox& o : SumOptionBoxes)
        (this->*o.box)->setChecked((options & o.bit) != 0);

    TrackBarZD->setValue(DayStartPosition(m_division.DayStartOffset()));
    // setValue is silent when the position does not change.
    showDayStart();
}

void ListingParametersWindow::showDayStart()
{
    EditZD->setText(DayStartText(TrackBarZD->value(), QLocale::system()));
}

void ListingParametersWindow::setShowImpulses()
{
    m_settings.ConvertValues = !CheckBoxImp->isChecked();
}

void ListingParametersWindow::applySettings()
{
    const int mode = m_modes->checkedId();
    if (mode >= 0)
        m_settings.DisplayMode = mode;

    // Bits without a box (6 and 7) are cleared.
    uint8_t options = 0;
    for (const SumOptionBox& o : SumOptionBoxes)
        if ((this->*o.box)->isChecked())
            options |= o.bit;
    DayDivision& division = m_division;
    division.SetSumOptions(options);
    division.SetDayStartOffset(TrackBarZD->value() * SecondsPerPosition);
}

void ListingParametersWindow::applyAndClose()
{
    applySettings();
    hide();
}

void ListingParametersWindow::applyAndSave()
{
    applySettings();
    // A failure is reported over this window before it goes away.
    SaveDayDivisionSettings(m_division, m_location, this);
    hide();
}

} // namespace kw

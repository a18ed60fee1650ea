// The settings window's line for switches from outside the window: a choice
// button that steps through "Keys of any keyboard" and the input devices,
// and a few plain words on where switches work on this desktop.
#include "access/access.h"
#include "access/switches.h"

#include "surface/twips.h"

#include <QFontMetrics>
#include <QGridLayout>

namespace {

constexpr int kButtonHeight = 44;
const QString kAnyKeyboard = QStringLiteral("Keys of any keyboard");

} // namespace

void AccessSettingsWindow::addSwitchDevice(QGridLayout *grid, int line)
{
    QWidget *page = grid->parentWidget();
    grid->addWidget(makeLabel(QStringLiteral("Switch device"), page), line, 0);
    m_switchDevice = makeButton(kAnyKeyboard, 3 * kButtonHeight + 110, page);
    grid->addWidget(m_switchDevice, line, 1, 1, 3);
    m_switchWhere = makeLabel(QString(), page);
    m_switchWhere->setWordWrap(true);
    m_switchWhere->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_switchWhere->setMaximumWidth(3 * kButtonHeight + 110 + 420);
    grid->addWidget(m_switchWhere, line + 1, 0, 1, 4);
    connect(m_access->scan()->switchInputs(), &SwitchInputs::changed, this,
            &AccessSettingsWindow::refreshSwitchDevice);
    connect(m_switchDevice, &QAbstractButton::clicked, this, [this] {
        SwitchInputs *inputs = m_access->scan()->switchInputs();
        inputs->setDevice(SwitchInput::nextDevice(inputs->device(), inputs->devices()));
    });
}

void AccessSettingsWindow::refreshSwitchDevice()
{
    if (!m_switchDevice)
        return;
    const SwitchInputs *inputs = m_access->scan()->switchInputs();
    const QString device = inputs->device();
    const QString shown = device.isEmpty() ? kAnyKeyboard : device;
    // A long device name is cut to the button; the full one is its name.
    const QString face = QFontMetrics(Fonts::verdana(12, true))
                                 .elidedText(shown, Qt::ElideRight, m_switchDevice->width() - 12);
    paintFace(m_switchDevice, face);
    m_switchDevice->setAccessibleName(QStringLiteral("Switch device ") + shown);
    QString where = inputs->whereText();
    if (const QString problem = inputs->problem(); !problem.isEmpty())
        where += u' ' + problem;
    m_switchWhere->setText(where);
    // Room for every line of it at the width it has.
    m_switchWhere->setMinimumHeight(m_switchWhere->heightForWidth(m_switchWhere->maximumWidth()));
}

#include "settings/ui/TPrefsFilterEditor.h"

#include "ui_TF_Prefs.h"

#include "core/ui/TF_CheckerWindow.h"
#include "core/TSilent.h"
#include "mail/TFilterEngine.h"
#include "platform/TextBytes.h"
#include "platform/UserPrompts.h"
#include "settings/ui/TF_Prefs.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

TPrefsFilterEditor::TPrefsFilterEditor(TF_Prefs &dialog) : m_dialog(dialog), m_ui(dialog.ui())
{
    m_ui.Filter_If_ComboBox->addItems(TFilterEngine::conditionTexts());
    m_ui.Filter_If_ComboBox->setCurrentIndex(-1);
    m_ui.Filter_Action_ComboBox->addItems(TFilterEngine::actionTexts());
    m_ui.Filter_Action_ComboBox->setCurrentIndex(0);

    // The list is wider than the panel that clips it; the two scroll bars move it.
    QListWidget *list = m_ui.FilterListBox;
    m_lineHeight = qMax(list->fontMetrics().height(), list->style()->pixelMetric(QStyle::PM_IndicatorHeight)) + 4;
    list->setUniformItemSizes(true);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->viewport()->setMouseTracking(true);
    list->viewport()->installEventFilter(this);
    const int frame = m_ui.FilterPanel->frameWidth();
    m_ui.FilterPanel->setFixedSize(PanelWidth + 2 * frame, VisibleLines * m_lineHeight + 2 * frame);
    list->setGeometry(frame, frame, PanelWidth + m_ui.ScrollBar1->maximum(), VisibleLines * m_lineHeight);
    m_ui.ScrollBar1->setFixedWidth(m_ui.FilterPanel->width());

    auto bind = [this](auto *sender, auto signal, void (TPrefsFilterEditor::*handler)(),
                       Qt::ConnectionType type = Qt::AutoConnection) {
        connect(sender, signal, this, [this, handler] { runSilently([&] { (this->*handler)(); }); }, type);
    };
    bind(m_ui.ActivateFilterButton, &QPushButton::clicked, &TPrefsFilterEditor::ActivateFilterButtonClick);
    bind(m_ui.Filter_If_ComboBox, &QComboBox::currentIndexChanged, &TPrefsFilterEditor::Filter_If_ComboBoxChange);
    // Queued: the line goes only once the list has finished with its own click.
    bind(m_ui.FilterListBox, &QListWidget::itemChanged, &TPrefsFilterEditor::FilterListBoxClickCheck,
         Qt::QueuedConnection);
    bind(m_ui.ScrollBar1, &QScrollBar::valueChanged, &TPrefsFilterEditor::ScrollBar1Change);
    bind(m_ui.ScrollBar2, &QScrollBar::valueChanged, &TPrefsFilterEditor::ScrollBar2Change);
}

TF_CheckerWindow &TPrefsFilterEditor::w() const
{
    return m_dialog.checker();
}

QString TPrefsFilterEditor::lineText(const QString &condition, const QString &argument, const QString &account,
                                     const QString &action)
{
    return QStringLiteral("If ") + condition + QLatin1Char(' ') + argument + QStringLiteral(" and account is ")
        + account + QStringLiteral(" then ") + action;
}

bool TPrefsFilterEditor::isUsefulSizeArgument(qint32 condition, const QString &argument, qint32 *least)
{
    // "size is smaller than 1" could never match; "size is 0" neither.
    const qint32 bound = condition == TFilterEngine::SizeIsSmallerThan ? 2
                         : condition == TFilterEngine::SizeIs          ? 1
                                                                       : 0;
    if (least)
        *least = bound;
    if (argument.isEmpty() || (argument.size() > 1 && argument.startsWith(QLatin1Char('0'))))
        return false;
    for (const QChar c : argument)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    const qint32 value = argument.toInt(&ok, 10);
    return ok && value >= bound;
}

// Numbers outside the lists (a hand-edited file, or an account deleted before rules followed
// their accounts) are shown as what they are; such rules are kept and match nothing.
QString TPrefsFilterEditor::conditionText(qint32 condition) const
{
    if (condition >= 0 && condition < m_ui.Filter_If_ComboBox->count())
        return m_ui.Filter_If_ComboBox->itemText(condition);
    return QStringLiteral("(unknown condition %1)").arg(condition);
}

QString TPrefsFilterEditor::accountText(qint32 account) const
{
    if (account >= 0 && account < m_ui.Filter_Account_comboBox->count())
        return m_ui.Filter_Account_comboBox->itemText(account);
    return QStringLiteral("(unknown account %1)").arg(account);
}

QString TPrefsFilterEditor::actionText(qint32 action) const
{
    if (action >= 0 && action < m_ui.Filter_Action_ComboBox->count())
        return m_ui.Filter_Action_ComboBox->itemText(action);
    return QStringLiteral("(unknown action %1)").arg(action);
}

void TPrefsFilterEditor::addLine(const QString &text)
{
    auto *item = new QListWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    item->setToolTip(text);
    item->setSizeHint(QSize(0, m_lineHeight));
    const QSignalBlocker quiet(m_ui.FilterListBox);
    m_ui.FilterListBox->addItem(item);
}

void TPrefsFilterEditor::FilterTabSheetShow()
{
    m_ui.Filter_Account_comboBox->clear();
    m_ui.Filter_Account_comboBox->addItem(QStringLiteral("any account"));
    for (qint32 n = 1; n <= w().Accounts.AccountCount; ++n)
        m_ui.Filter_Account_comboBox->addItem(TextBytes::toText(w().Accounts.data(n).Name));
    m_ui.Filter_Account_comboBox->setCurrentIndex(-1);

    {
        const QSignalBlocker quiet(m_ui.FilterListBox);
        m_ui.FilterListBox->clear();
    }
    for (const TFilter &f : std::as_const(w().Filters))
        addLine(lineText(conditionText(f.IfCondition), TextBytes::toText(f.Argument), accountText(f.Account),
                         actionText(f.Action)));
    UpdateFilterScrollBar();
}

void TPrefsFilterEditor::Filter_If_ComboBoxChange()
{
    m_ui.Label4->setText(isSizeCondition(m_ui.Filter_If_ComboBox->currentIndex()) ? QStringLiteral("kB") : QString());
}

void TPrefsFilterEditor::ActivateFilterButtonClick()
{
    const qint32 condition = m_ui.Filter_If_ComboBox->currentIndex();
    const QString argument = m_ui.Filter_arg_edit->text();
    const qint32 account = m_ui.Filter_Account_comboBox->currentIndex();
    const qint32 action = m_ui.Filter_Action_ComboBox->currentIndex();
    UserPrompts &prompts = UserPrompts::instance();
    if (condition < 0 || argument.isEmpty() || account < 0 || action < 0) {
        prompts.message(&m_dialog, QStringLiteral("Error"), QStringLiteral("Filter arguments are not complete"),
                        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
        return;
    }
    qint32 least = 0;
    if (isSizeCondition(condition) && !isUsefulSizeArgument(condition, argument, &least)) {
        // A size that is no number would stop every later rule of every check.
        prompts.message(&m_dialog, QStringLiteral("Error"),
                        least > 0 ? QStringLiteral("The size must be a whole number of at least %1 kB").arg(least)
                                  : QStringLiteral("The size must be a whole number of kB"),
                        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
        return;
    }

    addLine(lineText(m_ui.Filter_If_ComboBox->currentText(), argument, m_ui.Filter_Account_comboBox->currentText(),
                     m_ui.Filter_Action_ComboBox->currentText()));
    TFilter rule;
    rule.IfCondition = condition;
    rule.Account = account;
    rule.Action = action;
    rule.Argument = argument.toUtf8();
    w().Filters.append(rule);

    if (account > 0 && account <= w().Accounts.AccountCount && !w().Accounts.data(account).List)
        prompts.message(&m_dialog, QStringLiteral("Warning"),
                        QStringLiteral("\"Retrieve EMail List\" feature on account ") +
                            TextBytes::toText(w().Accounts.data(account).Name) +
                            QStringLiteral(" must be turned ON to activate this filter"),
                        UserPrompts::Icon::Warning, {UserPrompts::Button::Ok});
    UpdateFilterScrollBar();
}

void TPrefsFilterEditor::FilterListBoxClickCheck()
{
    QListWidget *list = m_ui.FilterListBox;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked)
            continue;
        if (i < w().Filters.size())
            w().Filters.removeAt(i);
        {
            const QSignalBlocker quiet(list);
            delete list->takeItem(i);
        }
        UpdateFilterScrollBar();
        return;
    }
}

void TPrefsFilterEditor::UpdateFilterScrollBar()
{
    // The list lays its lines out lazily; its own range must be current for the scroll bar.
    m_ui.FilterListBox->doItemsLayout();
    const int lines = m_ui.FilterListBox->count();
    if (lines > VisibleLines) {
        m_ui.ScrollBar2->setMaximum(lines - VisibleLines);
        m_ui.ScrollBar2->setEnabled(true);
    } else {
        m_ui.ScrollBar2->setValue(0);
        m_ui.ScrollBar2->setEnabled(false);
    }
}

void TPrefsFilterEditor::ScrollBar1Change()
{
    const int frame = m_ui.FilterPanel->frameWidth();
    m_ui.FilterListBox->move(frame - m_ui.ScrollBar1->value(), frame);
    m_ui.FilterListBox->setFocus();
}

void TPrefsFilterEditor::ScrollBar2Change()
{
    m_ui.FilterListBox->verticalScrollBar()->setValue(m_ui.ScrollBar2->value());
    m_ui.FilterListBox->setFocus();
}

void TPrefsFilterEditor::FilterListBoxMouseMove(int y)
{
    QListWidget *list = m_ui.FilterListBox;
    if (list->count() == 0)
        return;
    const int row = y / m_lineHeight + list->verticalScrollBar()->value();
    list->setToolTip(row >= 0 && row < list->count() ? list->item(row)->text() : QString());
}

bool TPrefsFilterEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.FilterListBox->viewport() && event->type() == QEvent::MouseMove) {
        const int y = qRound(static_cast<QMouseEvent *>(event)->position().y());
        runSilently([&] { FilterListBoxMouseMove(y); });
    }
    return QObject::eventFilter(watched, event);
}

#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"

#include "FreeUpSpace/CleanupController.h"
#include "FreeUpSpace/CleanupSheet.h"
#include "Support/ByteCount.h"
#include "Widgets/DarkLook.h"
#include "Widgets/GrowToFit.h"
#include "Widgets/IconRow.h"
#include "Widgets/MessageBlock.h"
#include "Widgets/MiddleElidedLabel.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace pellimor {

namespace {

const GeneratedKind kKinds[] = {GeneratedKind::proxy, GeneratedKind::optimized, GeneratedKind::render};

QString css(const QColor& color) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF());
}

void colour(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace

FreeUpSpaceSheet::FreeUpSpaceSheet(CleanupController& controller, QWidget* parent)
    : QDialog(parent), m_controller(&controller), m_scale(UiFont::scale()) {
    setObjectName(QStringLiteral("freeUpSpaceSheet"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Free Up Space"));
    build();
    connect(&controller, &CleanupController::changed, this, &FreeUpSpaceSheet::sync);
    sync();
}

void FreeUpSpaceSheet::build() {
    const bool dark = DarkLook::isDark(this);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    setMinimumWidth(points(560));
    setMaximumWidth(points(1000));
    resize(points(560), height());

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(14);
    layout->setContentsMargins(20, 20, 20, 20);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("sheetTitle"));
    m_title->setFont(uiFont(15, QFont::Bold));
    layout->addWidget(m_title);

    layout->addWidget(
        iconRow(QStringLiteral("lock.shield"), secondary,
                QStringLiteral("Original media is never touched. Only the folders Final Cut can "
                               "rebuild are offered, and deleted items go to the Trash first."),
                uiFont(12), int(16 * m_scale), this));

    // What to remove.
    auto* kinds = new QGroupBox(QStringLiteral("What to remove"), this);
    auto* kindsLayout = new QVBoxLayout(kinds);
    kindsLayout->setSpacing(8);
    kindsLayout->setContentsMargins(6, 6, 6, 6);
    for (const GeneratedKind kind : kKinds) {
        auto* item = new QWidget(kinds);
        auto* itemLayout = new QVBoxLayout(item);
        itemLayout->setContentsMargins(0, 0, 0, 0);
        itemLayout->setSpacing(1);
        auto* box = new QCheckBox(CleanupSheet::kindLabel(kind), item);
        box->setObjectName(QStringLiteral("kind.") + rawValue(kind));
        box->setFont(uiFont(13));
        box->setAccessibleDescription(CleanupSheet::kindDescription(kind));
        auto* description = new QLabel(CleanupSheet::kindDescription(kind), item);
        description->setFont(uiFont(10));
        description->setWordWrap(true);
        colour(description, secondary);
        // Beneath the label, not beneath the box.
        description->setContentsMargins(box->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                                            box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing),
                                        0, 0, 0);
        itemLayout->addWidget(box);
        itemLayout->addWidget(description);
        kindsLayout->addWidget(item);
        connect(box, &QCheckBox::clicked, this, [this, kind](bool on) {
            if (m_controller)
                m_controller->setKind(kind, on);
        });
        m_kindBoxes.append(box);
    }
    layout->addWidget(kinds);

    // The events.
    auto* events = new QGroupBox(this);
    auto* eventsLayout = new QVBoxLayout(events);
    eventsLayout->setContentsMargins(6, 6, 6, 6);
    auto* header = new QHBoxLayout;
    auto* inThese = new QLabel(QStringLiteral("In these events"), events);
    inThese->setFont(uiFont(11));
    header->addWidget(inThese);
    header->addStretch(1);
    auto* selectAll = new QPushButton(QStringLiteral("Select All"), events);
    selectAll->setObjectName(QStringLiteral("selectAll"));
    selectAll->setToolTip(QStringLiteral("Tick every event that has something to remove"));
    auto* selectNone = new QPushButton(QStringLiteral("Select None"), events);
    selectNone->setObjectName(QStringLiteral("selectNone"));
    for (QPushButton* button : {selectAll, selectNone}) {
        button->setAutoDefault(false);
        button->setFont(uiFont(11));
        header->addWidget(button);
    }
    connect(selectAll, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->selectAll();
    });
    connect(selectNone, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->selectNone();
    });
    eventsLayout->addLayout(header);
    auto* eventScroll = new QScrollArea(events);
    eventScroll->setObjectName(QStringLiteral("eventScroll"));
    eventScroll->setWidgetResizable(true);
    eventScroll->setMinimumHeight(points(180));
    eventScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_eventRows = new QWidget(eventScroll);
    m_eventLayout = new QVBoxLayout(m_eventRows);
    m_eventLayout->setSpacing(4);
    m_eventLayout->setContentsMargins(6, 6, 6, 6);
    m_eventLayout->addStretch(1);
    eventScroll->setWidget(m_eventRows);
    eventsLayout->addWidget(eventScroll, 1);
    layout->addWidget(events, 1);

    // The preview.
    auto* preview = new QWidget(this);
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->setSpacing(4);
    m_checking = new QWidget(preview);
    m_checking->setObjectName(QStringLiteral("checking"));
    auto* checkingLayout = new QHBoxLayout(m_checking);
    checkingLayout->setContentsMargins(0, 0, 0, 0);
    auto* spinner = new QProgressBar(m_checking);
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setAccessibleName(CleanupSheet::checkingText());
    spinner->setFixedSize(int(48 * m_scale), int(10 * m_scale));
    checkingLayout->addWidget(spinner);
    auto* checkingText = new QLabel(CleanupSheet::checkingText(), m_checking);
    checkingText->setFont(uiFont(12));
    checkingLayout->addWidget(checkingText, 1);
    previewLayout->addWidget(m_checking);
    m_summary = new QLabel(preview);
    m_summary->setObjectName(QStringLiteral("summary"));
    previewLayout->addWidget(m_summary);
    m_blockersInPlace = new QWidget(preview);
    m_blockersInPlace->setObjectName(QStringLiteral("blockersInPlace"));
    auto* inPlaceLayout = new QVBoxLayout(m_blockersInPlace);
    inPlaceLayout->setContentsMargins(0, 0, 0, 0);
    inPlaceLayout->setSpacing(4);
    previewLayout->addWidget(m_blockersInPlace);
    m_blockersScroll = new QScrollArea(preview);
    m_blockersScroll->setObjectName(QStringLiteral("blockersScroll"));
    m_blockersScroll->setWidgetResizable(true);
    m_blockersScroll->setFixedHeight(points(CleanupSheet::kBlockersScrollHeight));
    m_blockersScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_blockersScroll->setFrameShape(QFrame::NoFrame);
    m_blockersScrolled = new QWidget(m_blockersScroll);
    auto* scrolledLayout = new QVBoxLayout(m_blockersScrolled);
    scrolledLayout->setContentsMargins(0, 0, 0, 0);
    scrolledLayout->setSpacing(4);
    m_blockersScroll->setWidget(m_blockersScrolled);
    previewLayout->addWidget(m_blockersScroll);
    layout->addWidget(preview);

    // The run's progress.
    m_progressBox = new QWidget(this);
    m_progressBox->setObjectName(QStringLiteral("progress"));
    auto* progressLayout = new QVBoxLayout(m_progressBox);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->setSpacing(4);
    auto* barRow = new QHBoxLayout;
    m_progressBar = new QProgressBar(m_progressBox);
    m_progressBar->setRange(0, 1000);
    m_progressBar->setTextVisible(false);
    m_progressBar->setAccessibleName(QStringLiteral("Progress"));
    barRow->addWidget(m_progressBar, 1);
    // Closing the sheet lets a run finish; this is the way to end one early.
    m_stop = new QPushButton(QStringLiteral("Stop"), m_progressBox);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setAutoDefault(false);
    m_stop->setToolTip(QStringLiteral("Stops after the item under way. The rest stays where it is."));
    connect(m_stop, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->stop();
    });
    barRow->addWidget(m_stop);
    progressLayout->addLayout(barRow);
    m_progressText = new MiddleElidedLabel(m_progressBox);
    m_progressText->setObjectName(QStringLiteral("progressText"));
    m_progressText->setFont(uiFont(12));
    colour(m_progressText, secondary);
    progressLayout->addWidget(m_progressText);
    layout->addWidget(m_progressBox);

    // The second step of deleting for good.
    const QColor red = namedColor(NamedColor::red, dark);
    m_permanentBox = new QFrame(this);
    m_permanentBox->setObjectName(QStringLiteral("permanentBox"));
    QColor redFill = red;
    redFill.setAlphaF(0.12);
    m_permanentBox->setStyleSheet(QStringLiteral("QFrame#permanentBox { background: ") + css(redFill) +
                                  QStringLiteral("; border-radius: 6px; }"));
    auto* permanentLayout = new QVBoxLayout(m_permanentBox);
    permanentLayout->setContentsMargins(10, 10, 10, 10);
    permanentLayout->setSpacing(4);
    auto* warning =
        iconRow(QStringLiteral("exclamationmark.triangle.fill"), red, QStringLiteral("Delete permanently?"),
                uiFont(13, QFont::DemiBold), int(14 * m_scale), m_permanentBox);
    permanentLayout->addWidget(warning);
    auto* skips =
        new QLabel(QStringLiteral("This skips the Trash and can't be undone. Only proxy, optimized and "
                                  "render files are removed — files Final Cut can create again. No "
                                  "original media is deleted."),
                   m_permanentBox);
    skips->setWordWrap(true);
    skips->setFont(uiFont(12));
    permanentLayout->addWidget(skips);
    auto* again = new QLabel(QStringLiteral("Press Delete Permanently again to go ahead."), m_permanentBox);
    again->setFont(uiFont(12));
    colour(again, secondary);
    permanentLayout->addWidget(again);
    layout->addWidget(m_permanentBox);

    // The last run's outcome.
    m_result = new MessageBlock(this);
    m_result->setObjectName(QStringLiteral("result"));
    layout->addWidget(m_result);

    // The buttons.
    auto* buttons = new QHBoxLayout;
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);
    buttons->addStretch(1);
    m_askPermanent = new QPushButton(QStringLiteral("Delete Permanently…"), this);
    m_askPermanent->setObjectName(QStringLiteral("askPermanent"));
    m_askPermanent->setToolTip(QStringLiteral(
        "Skips the Trash. Use it for network drives that have no Trash. Asks you to confirm first."));
    m_cancelPermanent = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelPermanent->setObjectName(QStringLiteral("cancelPermanent"));
    m_deletePermanently = new QPushButton(QStringLiteral("Delete Permanently"), this);
    m_deletePermanently->setObjectName(QStringLiteral("deletePermanently"));
    m_deletePermanently->setStyleSheet(
        QStringLiteral("QPushButton#deletePermanently:enabled { background: ") + css(red) +
        QStringLiteral("; color: white; border-radius: 4px; padding: 4px 12px; }"));
    m_moveToTrash = new QPushButton(QStringLiteral("Move to Trash"), this);
    m_moveToTrash->setObjectName(QStringLiteral("moveToTrash"));
    m_moveToTrash->setToolTip(
        QStringLiteral("Moves the folders to the Trash. You can put them back from there."));
    for (QPushButton* button : {m_askPermanent, m_cancelPermanent, m_deletePermanently}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    // Return never deletes anything for good: the default stays with the Trash.
    m_moveToTrash->setDefault(true);
    buttons->addWidget(m_moveToTrash);
    layout->addLayout(buttons);

    connect(m_askPermanent, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->askPermanent();
    });
    connect(m_cancelPermanent, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->cancelPermanent();
    });
    connect(m_deletePermanently, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->execute(true);
    });
    connect(m_moveToTrash, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->execute(false);
    });
}

int FreeUpSpaceSheet::points(double length) const {
    // Laid out beside text, so converted as the fonts' point sizes are.
    return int(UiFont::pixels(length * m_scale));
}

CleanupController* FreeUpSpaceSheet::controller() const {
    return m_controller;
}

void FreeUpSpaceSheet::sync() {
    if (!m_controller)
        return;
    const CleanupSheetState& state = m_controller->state();
    m_title->setText(CleanupSheet::title(m_controller->library().name));
    for (qsizetype i = 0; i < m_kindBoxes.size(); ++i)
        m_kindBoxes.at(i)->setChecked(state.kinds.contains(kKinds[i]));
    syncEvents();
    syncPreview();

    m_progressBox->setVisible(state.working && state.progress);
    m_stop->setEnabled(state.working && !state.stopping);
    if (state.progress) {
        m_progressBar->setValue(int(state.progress->fraction * 1000));
        m_progressText->setText(state.progress->text);
        m_progressText->setAccessibleName(state.progress->text);
        m_progressText->update();
    }
    m_permanentBox->setVisible(state.showPermanent && !state.working);
    m_result->setVisible(state.resultText.has_value());
    m_result->setText(state.resultText.value_or(QString()));

    const bool enabled = CleanupSheet::actionsEnabled(state);
    m_askPermanent->setVisible(!state.showPermanent);
    m_cancelPermanent->setVisible(state.showPermanent);
    m_deletePermanently->setVisible(state.showPermanent);
    m_askPermanent->setEnabled(enabled);
    m_deletePermanently->setEnabled(enabled);
    m_moveToTrash->setEnabled(enabled);
}

bool FreeUpSpaceSheet::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest)
        growToFit(this);
    return handled;
}

void FreeUpSpaceSheet::syncEvents() {
    const LibraryInfo library = m_controller->library();
    const CleanupSheetState& state = m_controller->state();
    QStringList names;
    for (const EventInfo& event : library.events)
        names.append(event.name);
    if (names != m_eventNames) {
        qDeleteAll(
            m_eventRows->findChildren<QWidget*>(QStringLiteral("eventRow"), Qt::FindDirectChildrenOnly));
        m_eventBoxes.clear();
        m_eventSizes.clear();
        const bool dark = DarkLook::isDark(this);
        for (const QString& name : names) {
            auto* row = new QWidget(m_eventRows);
            row->setObjectName(QStringLiteral("eventRow"));
            auto* rowLayout = new QHBoxLayout(row);
            rowLayout->setContentsMargins(0, 0, 0, 0);
            auto* box = new QCheckBox(name, row);
            box->setObjectName(QStringLiteral("event"));
            box->setFont(uiFont(13));
            rowLayout->addWidget(box);
            rowLayout->addStretch(1);
            auto* size = new QLabel(row);
            size->setObjectName(QStringLiteral("eventSize"));
            // Digits of one width, so the sizes line up as they change.
            QFont digits = uiFont(13);
            digits.setStyleHint(QFont::Monospace);
            digits.setFamily(QStringLiteral("monospace"));
            size->setFont(digits);
            colour(size, namedColor(NamedColor::secondary, dark));
            rowLayout->addWidget(size);
            m_eventLayout->insertWidget(m_eventLayout->count() - 1, row);
            connect(box, &QCheckBox::clicked, this, [this, name](bool on) {
                if (m_controller)
                    m_controller->setEvent(name, on);
            });
            m_eventBoxes.append(box);
            m_eventSizes.append(size);
        }
        m_eventNames = names;
    }
    for (qsizetype i = 0; i < library.events.size(); ++i) {
        const EventInfo& event = library.events.at(i);
        const QString size = ByteCount::file(CleanupSheet::size(event, state.kinds));
        m_eventBoxes.at(i)->setChecked(state.chosenEvents.contains(event.name));
        m_eventBoxes.at(i)->setEnabled(CleanupSheet::eventEnabled(event, state.kinds));
        m_eventBoxes.at(i)->setAccessibleDescription(size);
        m_eventSizes.at(i)->setText(size);
    }
}

void FreeUpSpaceSheet::syncPreview() {
    const CleanupSheet::Preview preview = CleanupSheet::preview(m_controller->state());
    using Shows = CleanupSheet::Preview::Shows;
    m_checking->setVisible(preview.shows == Shows::checking);
    m_summary->setVisible(preview.shows == Shows::plan);
    if (preview.shows == Shows::plan) {
        m_summary->setText(preview.summary);
        const bool dark = DarkLook::isDark(this);
        if (preview.nothingToRemove) {
            m_summary->setFont(uiFont(13));
            colour(m_summary, namedColor(NamedColor::secondary, dark));
        } else {
            m_summary->setFont(uiFont(13, QFont::DemiBold));
            colour(m_summary, palette().color(QPalette::WindowText));
        }
    }
    syncBlockers(preview.shows == Shows::plan ? preview.blockers : QStringList(), preview.blockersScroll);
}

void FreeUpSpaceSheet::syncBlockers(const QStringList& blockers, bool scroll) {
    m_blockersInPlace->setVisible(!blockers.isEmpty() && !scroll);
    m_blockersScroll->setVisible(!blockers.isEmpty() && scroll);
    if (blockers == m_blockersShown && scroll == m_blockersScrolling)
        return;
    m_blockersShown = blockers;
    m_blockersScrolling = scroll;
    for (QWidget* holder : {m_blockersInPlace, m_blockersScrolled}) {
        qDeleteAll(holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    }
    QWidget* holder = scroll ? m_blockersScrolled : m_blockersInPlace;
    const QColor orange = namedColor(NamedColor::orange, DarkLook::isDark(this));
    for (const QString& blocker : blockers) {
        QWidget* row = iconRow(QStringLiteral("exclamationmark.triangle"), orange, blocker, uiFont(10),
                               int(12 * m_scale), holder);
        row->setObjectName(QStringLiteral("blocker"));
        holder->layout()->addWidget(row);
    }
}

} // namespace pellimor

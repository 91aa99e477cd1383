#include "Browser/Views/LibraryDetail.h"

#include "Browser/DetailActions.h"
#include "Browser/EventBlockText.h"
#include "Browser/SpaceBreakdown.h"
#include "Browser/Views/CapsuleBadge.h"
#include "Browser/Views/ColorDot.h"
#include "Browser/Views/ElidedLabel.h"
#include "Browser/Views/EventBlock.h"
#include "Browser/Views/FirstThatFits.h"
#include "Browser/Views/FolderLink.h"
#include "Browser/Views/PosterImage.h"
#include "Browser/Views/PosterView.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/FavoriteStar.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/Prompts.h"
#include "Widgets/SizeBarView.h"
#include "Widgets/UiFont.h"

#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pellimor {

namespace {

const QSize kPoster(128, 72);
constexpr qreal kPosterRadius = 6;
constexpr int kPadding = 16;
constexpr int kSectionSpacing = 14;
constexpr int kOnlineDot = 8;
constexpr int kLegendDot = 7;
constexpr int kActionIcon = 14;
constexpr int kFactLines = 8; // a fact's value wraps to at most this many lines

QColor secondaryColor(bool dark) {
    return namedColor(NamedColor::secondary, dark);
}

QLabel* label(const QString& text, qreal points, std::optional<QFont::Weight> weight, QWidget* parent) {
    auto* shown = new QLabel(text, parent);
    shown->setTextFormat(Qt::PlainText);
    shown->setFont(uiFont(points, weight));
    return shown;
}

ElidedLabel* lines(const QString& text, int maxLines, Qt::TextElideMode mode, qreal points,
                   std::optional<QFont::Weight> weight, QWidget* parent) {
    auto* shown = new ElidedLabel(text, maxLines, mode, parent);
    shown->setFont(uiFont(points, weight));
    return shown;
}

NamedColor colorOf(SpaceBreakdown::Kind kind) {
    switch (kind) {
    case SpaceBreakdown::Kind::original:
        return NamedColor::blue;
    case SpaceBreakdown::Kind::optimized:
        return NamedColor::teal;
    case SpaceBreakdown::Kind::proxy:
        return NamedColor::purple;
    case SpaceBreakdown::Kind::render:
        return NamedColor::orange;
    case SpaceBreakdown::Kind::analysis:
        return NamedColor::pink;
    case SpaceBreakdown::Kind::other:
        break;
    }
    return NamedColor::grey;
}

// A control of the panel: a small button with its icon, titled or not, its tip and state.
QToolButton* button(const DetailActions::Control& control, bool titled, const QString& name,
                    const QColor& iconColor, QWidget* parent) {
    auto* shown = new QToolButton(parent);
    shown->setObjectName(name);
    shown->setFont(uiFont(11));
    shown->setText(control.title);
    shown->setAccessibleName(control.title);
    shown->setToolTip(control.tip);
    shown->setEnabled(control.enabled);
    shown->setIconSize(QSize(kActionIcon, kActionIcon));
    shown->setIcon(QIcon(Icons::tinted(control.symbol, QSize(kActionIcon, kActionIcon), iconColor,
                                       parent ? parent->devicePixelRatioF() : 1.0)));
    shown->setToolButtonStyle(titled ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    shown->setAutoRaise(false);
    return shown;
}

} // namespace

LibraryDetail::LibraryDetail(Catalog& catalog, QWidget* parent) : QScrollArea(parent), m_catalog(catalog) {
    setObjectName(QStringLiteral("libraryDetail"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    UiFont::watchComfortableText(this, [this] { rebuildLater(); });
}

void LibraryDetail::setHooks(Hooks hooks) {
    m_hooks = std::move(hooks);
}

void LibraryDetail::setSectionMaker(SectionMaker maker) {
    m_sectionMaker = std::move(maker);
    rebuildLater();
}

void LibraryDetail::present(const LibraryInfo& library, const std::optional<ProjectFocus>& focus) {
    Shown next;
    next.library = library;
    next.focus = focus;
    next.online = m_catalog.isOnline(library);
    next.backupDrive = m_catalog.isBackupDrive(library);
    next.facts = DetailFacts::facts(library, DetailFacts::Context::of(m_catalog, library));
    next.posterDir = m_catalog.posterDir();
    next.scale = UiFont::scale();
    next.dark = DarkLook::isDark(this);
    if (next == m_shown && widget())
        return;
    // Another redraw of the same library keeps the place the user scrolled to.
    const bool sameLibrary = m_shown.library && m_shown.library->path == library.path;
    const int scrolled = sameLibrary ? verticalScrollBar()->value() : 0;
    m_shown = std::move(next);
    build();
    verticalScrollBar()->setValue(scrolled);
}

void LibraryDetail::rebuildLater() {
    if (m_rebuildPending || !m_shown.library)
        return;
    m_rebuildPending = true;
    QTimer::singleShot(0, this, [this] {
        m_rebuildPending = false;
        if (!m_shown.library)
            return;
        const Shown old = m_shown;
        // Whatever changed (the look, the font scale, the section maker), build again.
        m_shown.scale = -1;
        present(*old.library, old.focus);
    });
}

void LibraryDetail::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        rebuildLater();
}

void LibraryDetail::build() {
    ++m_builds;
    // Made inside the viewport, so its parts see the window's look (its palette) as they are made.
    auto* content = new QWidget(viewport());
    content->setObjectName(QStringLiteral("libraryDetailContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kSectionSpacing);
    const LibraryInfo& library = *m_shown.library;
    const DetailActions actions = DetailActions::of(library, m_shown.online);
    const QColor text = content->palette().color(QPalette::WindowText);

    layout->addWidget(buildHeader(content));
    layout->addWidget(buildActions(content));
    QToolButton* cleanupButton =
        button(actions.cleanup, true, QStringLiteral("cleanupButton"), text, content);
    connect(cleanupButton, &QToolButton::clicked, this, &LibraryDetail::cleanup);
    layout->addWidget(cleanupButton, 0, Qt::AlignLeft);
    if (actions.missing) {
        const QColor orange = namedColor(NamedColor::orange, m_shown.dark);
        QToolButton* missing =
            button(*actions.missing, true, QStringLiteral("missingFilesButton"), orange, content);
        QPalette palette = missing->palette();
        palette.setColor(QPalette::ButtonText, orange);
        missing->setPalette(palette);
        connect(missing, &QToolButton::clicked, this, &LibraryDetail::findMissing);
        layout->addWidget(missing, 0, Qt::AlignLeft);
    }
    layout->addWidget(buildFacts(content));
    layout->addWidget(buildBreakdown(content));

    auto* divider = new QFrame(content);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    setTextColour(divider, secondaryColor(m_shown.dark));
    layout->addWidget(divider);
    // The window's section (the library's plug-ins) takes no space when there is none.
    if (m_sectionMaker) {
        if (QWidget* section = m_sectionMaker(library, content))
            layout->addWidget(section);
    }

    QLabel* heading = label(QStringLiteral("Events & projects"), 13, QFont::DemiBold, content);
    heading->setObjectName(QStringLiteral("eventsHeading"));
    layout->addWidget(heading);
    for (const EventInfo& event : library.events)
        layout->addWidget(new EventBlock(event, m_shown.posterDir, m_shown.focus, content));
    layout->addStretch(1);

    // The old content may be on the call stack (a press that led here): it goes on a later turn.
    if (QWidget* old = takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    setWidget(content);
    layout->activate();
}

QWidget* LibraryDetail::buildHeader(QWidget* parent) {
    const LibraryInfo& library = *m_shown.library;
    const bool dark = m_shown.dark;
    auto* header = new QWidget(parent);
    header->setObjectName(QStringLiteral("libraryHeader"));
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    ElidedLabel* name = lines(library.name, 3, Qt::ElideRight, 15, QFont::Bold, header);
    name->setObjectName(QStringLiteral("libraryName"));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nameRow->addWidget(name, 1);
    auto* star = new FavoriteStar(m_catalog, library.path, header);
    // Level with the middle of the name's first line.
    auto* starBox = new QVBoxLayout;
    starBox->setContentsMargins(
        0, std::max(0, (QFontMetrics(name->font()).height() - star->sizeHint().height()) / 2), 0, 0);
    starBox->addWidget(star);
    starBox->addStretch(1);
    nameRow->addLayout(starBox);
    column->addLayout(nameRow);

    auto* posterRow = new QHBoxLayout;
    posterRow->setSpacing(12);
    auto* poster = new PosterView(kPoster, kPosterRadius, header);
    poster->setObjectName(QStringLiteral("libraryPoster"));
    if (const std::optional<LibraryInfo::Poster> frame = library.poster()) {
        if (const std::optional<QString> file = PosterImage::path(m_shown.posterDir, frame->file))
            poster->setPicture(PosterImage::load(*file, kPoster * devicePixelRatioF()));
    }
    posterRow->addWidget(poster, 0, Qt::AlignVCenter);

    auto* info = new QVBoxLayout;
    info->setSpacing(5);
    ElidedLabel* volume = lines(library.volumeName, 2, Qt::ElideRight, 12, QFont::DemiBold, header);
    volume->setObjectName(QStringLiteral("libraryVolume"));
    info->addWidget(volume);
    auto* onlineRow = new QHBoxLayout;
    onlineRow->setSpacing(5);
    QColor dotColor = namedColor(m_shown.online ? NamedColor::green : NamedColor::grey, dark);
    if (!m_shown.online)
        dotColor.setAlphaF(dotColor.alphaF() * 0.5f);
    auto* dot = new ColorDot(dotColor, kOnlineDot, header);
    dot->setToolTip(CellPainter::onlineTip(m_shown.online));
    onlineRow->addWidget(dot, 0, Qt::AlignVCenter);
    QLabel* online = label(m_shown.online ? QStringLiteral("Connected") : QStringLiteral("Not connected"), 12,
                           std::nullopt, header);
    online->setObjectName(QStringLiteral("libraryOnline"));
    setTextColour(online, secondaryColor(dark));
    onlineRow->addWidget(online);
    onlineRow->addStretch(1);
    info->addLayout(onlineRow);
    if (m_shown.backupDrive) {
        auto* badge =
            new CapsuleBadge(QStringLiteral("BACKUP DRIVE"), namedColor(NamedColor::orange, dark), header);
        badge->setObjectName(QStringLiteral("backupDriveBadge"));
        badge->setFont(uiFont(10, QFont::Bold));
        info->addWidget(badge, 0, Qt::AlignLeft);
    }
    posterRow->addLayout(info, 1);
    posterRow->setAlignment(info, Qt::AlignVCenter);
    column->addLayout(posterRow);

    ElidedLabel* path = lines(library.path, 2, Qt::ElideMiddle, 10, std::nullopt, header);
    path->setObjectName(QStringLiteral("libraryPath"));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTextColour(path, secondaryColor(dark));
    column->addWidget(path);
    return header;
}

QWidget* LibraryDetail::buildActions(QWidget* parent) {
    m_actions = new FirstThatFits(buildActionRow(true, parent), buildActionRow(false, parent), parent);
    m_actions->setObjectName(QStringLiteral("libraryActions"));
    return m_actions;
}

QWidget* LibraryDetail::buildActionRow(bool words, QWidget* parent) {
    const DetailActions actions = DetailActions::of(*m_shown.library, m_shown.online);
    auto* row = new QWidget(parent);
    row->setObjectName(words ? QStringLiteral("actionsTitled") : QStringLiteral("actionsIcons"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const QColor text = row->palette().color(QPalette::ButtonText);

    QToolButton* reveal = button(actions.reveal, words, QStringLiteral("revealButton"), text, row);
    connect(reveal, &QToolButton::clicked, this, &LibraryDetail::reveal);
    QToolButton* open = button(actions.openFolder, words, QStringLiteral("openFolderButton"), text, row);
    connect(open, &QToolButton::clicked, this, &LibraryDetail::openFolder);
    // The one prominent control: filled with the accent colour.
    QToolButton* finalCut =
        button(actions.openInFinalCut, words, QStringLiteral("openInFinalCutButton"), Qt::white, row);
    QPalette prominent = finalCut->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        prominent.setColor(group, QPalette::Button, namedColor(NamedColor::accent, m_shown.dark));
        prominent.setColor(group, QPalette::ButtonText, Qt::white);
    }
    finalCut->setPalette(prominent);
    connect(finalCut, &QToolButton::clicked, this, &LibraryDetail::openInFinalCut);
    QToolButton* copy = button(actions.copyPath, false, QStringLiteral("copyPathButton"), text, row);
    connect(copy, &QToolButton::clicked, this, &LibraryDetail::copyPath);
    QToolButton* forget = button(actions.forget, false, QStringLiteral("forgetButton"), text, row);
    connect(forget, &QToolButton::clicked, this, &LibraryDetail::forget);

    for (QToolButton* control : {reveal, open, finalCut, copy})
        layout->addWidget(control);
    layout->addStretch(1);
    layout->addWidget(forget);
    return row;
}

QWidget* LibraryDetail::buildFacts(QWidget* parent) {
    const bool dark = m_shown.dark;
    const DetailActions actions = DetailActions::of(*m_shown.library, m_shown.online);
    auto* facts = new QWidget(parent);
    facts->setObjectName(QStringLiteral("libraryFacts"));
    auto* grid = new QGridLayout(facts);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (const DetailFacts::Fact& fact : m_shown.facts) {
        QLabel* name = label(fact.label, 12, std::nullopt, facts);
        name->setAlignment(Qt::AlignRight | Qt::AlignTop);
        setTextColour(name, secondaryColor(dark));
        grid->addWidget(name, row, 0, Qt::AlignRight | Qt::AlignTop);
        QWidget* value = nullptr;
        if (row == 0 && fact.label == QStringLiteral("Folder")) {
            auto* link = new FolderLink(actions.folderLink.title, facts);
            link->setObjectName(QStringLiteral("folderLink"));
            link->setFont(uiFont(12));
            link->setToolTip(actions.folderLink.tip);
            link->setEnabled(actions.folderLink.enabled);
            connect(link, &FolderLink::clicked, this, &LibraryDetail::openFolder);
            value = link;
        } else {
            ElidedLabel* text = lines(fact.value, kFactLines, Qt::ElideRight, 12, std::nullopt, facts);
            text->setObjectName(QStringLiteral("factValue"));
            text->setTextInteractionFlags(Qt::TextSelectableByMouse);
            text->setAccessibleDescription(fact.label);
            value = text;
        }
        name->setBuddy(value);
        grid->addWidget(value, row, 1);
        ++row;
    }
    return facts;
}

QWidget* LibraryDetail::buildBreakdown(QWidget* parent) {
    const bool dark = m_shown.dark;
    const SpaceBreakdown breakdown = SpaceBreakdown::of(*m_shown.library);
    auto* box = new QWidget(parent);
    box->setObjectName(QStringLiteral("spaceBreakdown"));
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(label(QStringLiteral("Where the space goes"), 13, QFont::DemiBold, box));
    auto* bar = new SizeBarView(box);
    bar->setObjectName(QStringLiteral("spaceBar"));
    bar->setBar(breakdown.bar());
    column->addWidget(bar);

    auto* legend = new QGridLayout;
    legend->setHorizontalSpacing(10);
    legend->setVerticalSpacing(2);
    legend->setColumnStretch(0, 1);
    legend->setColumnStretch(1, 1);
    legend->setColumnMinimumWidth(0, 10);
    legend->setColumnMinimumWidth(1, 10);
    const QList<SpaceBreakdown::Row> rows = breakdown.rows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto* entry = new QWidget(box);
        entry->setObjectName(QStringLiteral("spaceRow"));
        auto* line = new QHBoxLayout(entry);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(5);
        ElidedLabel* text = lines(rows[i].text(), 2, Qt::ElideRight, 10, std::nullopt, entry);
        // The dot stays level with the first line when the text takes two.
        auto* dotBox = new QVBoxLayout;
        dotBox->setContentsMargins(0, std::max(0, (QFontMetrics(text->font()).height() - kLegendDot) / 2), 0,
                                   0);
        dotBox->addWidget(new ColorDot(namedColor(colorOf(rows[i].kind), dark), kLegendDot, entry));
        dotBox->addStretch(1);
        line->addLayout(dotBox);
        line->addWidget(text, 1);
        entry->setAccessibleName(rows[i].text());
        legend->addWidget(entry, int(i / 2), int(i % 2));
    }
    column->addLayout(legend);

    auto* caption = label(breakdown.caption(), 10, std::nullopt, box);
    caption->setObjectName(QStringLiteral("spaceCaption"));
    caption->setWordWrap(true);
    setTextColour(caption, secondaryColor(dark));
    column->addWidget(caption);
    return box;
}

// ---- What it shows, as text -----------------------------------------------------------------

QWidget* LibraryDetail::actionRow(bool words) const {
    return widget() ? widget()->findChild<QWidget*>(words ? QStringLiteral("actionsTitled")
                                                          : QStringLiteral("actionsIcons"))
                    : nullptr;
}

bool LibraryDetail::showsTitledActions() const {
    return m_actions && m_actions->showsWide();
}

QString LibraryDetail::shownText() const {
    if (!m_shown.library)
        return {};
    const LibraryInfo& library = *m_shown.library;
    QStringList shown{library.name, library.volumeName,
                      m_shown.online ? QStringLiteral("Connected") : QStringLiteral("Not connected")};
    if (m_shown.backupDrive)
        shown.append(QStringLiteral("BACKUP DRIVE"));
    shown.append(library.path);
    const DetailActions actions = DetailActions::of(library, m_shown.online);
    shown.append(actions.cleanup.title);
    if (actions.missing)
        shown.append(actions.missing->title);
    for (const DetailFacts::Fact& fact : m_shown.facts)
        shown.append(fact.label + QStringLiteral(": ") + fact.value);
    const SpaceBreakdown breakdown = SpaceBreakdown::of(library);
    shown.append(QStringLiteral("Where the space goes"));
    for (const SpaceBreakdown::Row& row : breakdown.rows())
        shown.append(row.text());
    shown.append(breakdown.caption());
    shown.append(QStringLiteral("Events & projects"));
    for (const EventInfo& event : library.events) {
        shown.append(event.name);
        shown.append(EventBlockText::summary(event));
        if (const std::optional<QString> missing = EventBlockText::missingLine(event))
            shown.append(*missing);
        if (const std::optional<QString> keywords = EventBlockText::keywordsLine(event))
            shown.append(*keywords);
        for (const ProjectInfo& project : event.projects) {
            shown.append(project.name + (EventBlockText::isFocused(m_shown.focus, event.name, project)
                                             ? QStringLiteral(" (focused)")
                                             : QString()));
            const QString details = EventBlockText::details(project);
            if (!details.isEmpty())
                shown.append(details);
        }
        if (event.projects.isEmpty())
            shown.append(QStringLiteral("No projects in this event"));
    }
    return shown.join(u'\n');
}

// ---- Actions --------------------------------------------------------------------------------

std::optional<LibraryInfo> LibraryDetail::current() const {
    if (!m_shown.library)
        return std::nullopt;
    for (const LibraryInfo& library : m_catalog.libraries()) {
        if (library.path == m_shown.library->path)
            return library;
    }
    return std::nullopt;
}

void LibraryDetail::reveal() {
    const std::optional<LibraryInfo> library = current();
    const std::shared_ptr<platform::FileManagerShell> shell = platform::services().shell;
    if (library && shell && m_catalog.isOnline(*library))
        shell->reveal(library->path);
}

void LibraryDetail::openFolder() {
    const std::optional<LibraryInfo> library = current();
    const std::shared_ptr<platform::FileManagerShell> shell = platform::services().shell;
    if (library && shell && m_catalog.isOnline(*library))
        shell->open(DetailFacts::folder(*library));
}

void LibraryDetail::openInFinalCut() {
    const std::optional<LibraryInfo> library = current();
    if (library && m_catalog.isOnline(*library))
        m_catalog.openInFCP(*library);
}

void LibraryDetail::copyPath() {
    const std::optional<LibraryInfo> library = current();
    if (!library)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(library->path);
}

void LibraryDetail::forget() {
    const std::optional<LibraryInfo> library = current();
    if (!library || !m_hooks.prompts)
        return;
    const QPointer<LibraryDetail> alive(this);
    const QString path = library->path;
    const std::optional<QString> answer = m_hooks.prompts().confirm(
        DetailActions::forgetQuestion(library->name), DetailActions::forgetMessage(),
        {{DetailActions::forgetAnswer(), false, true}, {QStringLiteral("Cancel"), true}});
    if (!alive || answer != DetailActions::forgetAnswer())
        return;
    // The question waited for the user: take the library as the catalogue holds it now, if
    // it still does.
    for (const LibraryInfo& now : m_catalog.libraries()) {
        if (now.path == path) {
            m_catalog.forget(now);
            return;
        }
    }
}

void LibraryDetail::cleanup() {
    const std::optional<LibraryInfo> library = current();
    if (library && m_hooks.cleanup && m_catalog.isOnline(*library) && library->clearableSize() != 0)
        m_hooks.cleanup(*library);
}

void LibraryDetail::findMissing() {
    const std::optional<LibraryInfo> library = current();
    if (library && m_hooks.missing && m_catalog.isOnline(*library))
        m_hooks.missing({*library});
}

} // namespace pellimor

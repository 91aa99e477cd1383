#pragma once

#include "Browser/SearchArea.h"
#include "Browser/SearchScope.h"

#include <QHash>
#include <QString>
#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

namespace pellimor {

// The search box of the main window's top bar: a magnifier button that opens the choices of
// what a search matches ("All fields", then one tick box per search area, then a note), and a
// frameless text field, on a faint rounded backing.
//
// It edits two values its owner holds, the search text and the SearchScope, and writes them
// only through its two bindings: textEdited and scopeEdited carry the user's edits out, and
// setText and setScope show the owner's values without signalling back. Saving the scope and
// starting searches are the owner's work.
//
// It hears "fcp.FocusSearch" on the NotificationHub by itself and puts the cursor in the text
// field, whether or not the choices are open. Fonts follow "Larger Text".
//
// Main thread only.
class SearchField final : public QWidget {
    Q_OBJECT
public:
    explicit SearchField(QWidget* parent = nullptr);
    ~SearchField() override;

    // The width the field takes at most, ideally and at least.
    static constexpr int kMinimumWidth = 160;
    static constexpr int kIdealWidth = 220;
    static constexpr int kMaximumWidth = 280;

    // The note under the tick boxes for a scope.
    static QString noteText(const SearchScope& scope);
    // Whether the area tick boxes can be changed: only while "All fields" is off (their ticks
    // stay visible either way).
    static bool areasEditable(const SearchScope& scope);

    QString text() const;
    // Shows the owner's text; emits nothing.
    void setText(const QString& text);

    const SearchScope& scope() const { return m_scope; }
    // Shows the owner's scope; emits nothing.
    void setScope(const SearchScope& scope);

    QString prompt() const;
    // The text field's placeholder, which also names it for screen readers.
    void setPrompt(const QString& prompt);

    // Opens or closes the choices below the magnifier, as pressing it does.
    void setChoicesShown(bool shown);
    bool choicesShown() const;

    // The parts, for tests.
    QToolButton* choicesButton() const { return m_button; }
    QLineEdit* lineEdit() const { return m_edit; }
    QWidget* choices() const;
    QCheckBox* allFieldsBox() const { return m_allFields; }
    QCheckBox* areaBox(SearchArea area) const { return m_areaBoxes.value(area); }
    QLabel* note() const { return m_note; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user changed the text (typing, pasting, clearing).
    void textEdited(const QString& text);
    // The user changed a tick in the choices.
    void scopeEdited(const SearchScope& scope);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class Choices;

    void buildChoices();
    void showScope();
    void refont();
    void retintIcon();
    void placeChoices();
    void edited();
    void focusField();

    SearchScope m_scope;
    QToolButton* m_button = nullptr;
    QLineEdit* m_edit = nullptr;
    Choices* m_choices = nullptr; // a popup window, a child of this field
    QCheckBox* m_allFields = nullptr;
    QWidget* m_areas = nullptr; // holds the area boxes, so they are disabled together
    QHash<SearchArea, QCheckBox*> m_areaBoxes;
    QLabel* m_note = nullptr;
};

} // namespace pellimor

#pragma once

// The pages of the text messages: the list node (CTextMessagesView: how many the radio holds and
// how many there are) and one message (CTextMessageView: its text, at most 80 characters, stored
// without control characters when the page is left; a blank message is offered for deletion).

#include "editors/base_view.h"

class QPlainTextEdit;

namespace vex::gui {

class CTextMessagesView : public CBaseView {
    Q_OBJECT

  public:
    CTextMessagesView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    void LoadLabels() override;
    void LoadData() override;

    void OnAdd();
};

class CTextMessageView : public CBaseView {
    Q_OBJECT

  public:
    static constexpr int kMaxLength = 80;

    CTextMessageView(CVEXPRGDoc* document, int kind, int index, QWidget* parent = nullptr);

    int ValidateData() override;
    void FocusFirstField() override;
    void LoadLabels() override;
    void LoadData() override;

    QPlainTextEdit* Edit() const { return m_edit; }
    void OnDelete();
    void OnAdd();

    // The text as it is stored: trimmed, without characters below code 32.
    static QString CleanText(const QString& text);

  protected:
    QWidget* NameField() const override;

  private:
    void OnTextChanged();
    void DeleteThroughTree();

    QPlainTextEdit* m_edit = nullptr;
    bool m_bChanged = false;
    bool m_bLimiting = false;
};

}  // namespace vex::gui

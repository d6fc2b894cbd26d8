#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tw {

// The shared progress window: a small tool window that stays on top while an operation
// reports its advance. Not translated; the caption comes with each report.
class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    // Shows `caption` as window title, label text and gauge hint, and the gauge at `value`
    // of `min`..`max`.
    void SetProgress(int min, int max, const QString& caption, int value);

    // Offers a Cancel button (and Escape) that calls `cancel`; without one the window has none.
    void SetCancelHandler(std::function<void()> cancel);

    QLabel* edtTitle = nullptr;
    QProgressBar* sgMain = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void reject() override;

private:
    std::function<void()> OnCancel;
};

} // namespace tw

#pragma once

#include <QString>
#include <memory>

#include "app/BaseDialog.h"
#include "widgetlib/DetachedTask.h"

class CBPQtLabel;

// The waiting dialog of the update check: an animation while a worker asks
// the updater component whether a newer version exists; it closes itself
// when the worker is done (MSG_UPDATE_DONE). Until then nothing else ends
// it: its close button is disabled, and Escape, the window system's close
// and MSG_CLOSE_DLG are ignored (the updater's time limit keeps the wait
// short). The outcome is read after the modal run.
class CheckUpdate : public CBaseDialog {
    Q_OBJECT
public:
    explicit CheckUpdate(QWidget* parent);

    // Builds the content and starts the worker.
    void StartCheck();

    int ReceiveMsg(__MsgData msg) override;

    // The outcome, complete once the modal run has ended.
    QString resultText() const { return lastResultText; }
    int checkFailed() const { return lastCheckFailed; }
    int newVersion() const { return lastNewVersion; }

    bool IsChecking() const { return checking; }
    CBPQtLabel* AnimationLabel() const { return animation; }
    CBPQtLabel* WaitLabel() const { return waitText; }

    // The running version as the updater gets it: 3.2.0.0.
    static constexpr int kVersionMS = (3 << 16) | 2;
    static constexpr int kVersionLS = 0;

    static QString FailureText();
    static QString UpToDateText();

protected:
    void reject() override;

private:
    // Filled by the worker, read on the GUI thread when its message
    // arrives. Shared, so that the worker never writes into a dialog.
    struct Outcome {
        QString text;
        int failed = 0;
        int newer = 0;
    };
    static void RunCheck(Outcome& outcome, const QString& secureAddress);

    std::shared_ptr<Outcome> outcome;
    CDetachedTask::Number checkTask = 0;
    bool checking = false;
    QString lastResultText;
    int lastCheckFailed = 0;
    int lastNewVersion = 0;
    CBPQtLabel* animation = nullptr;
    CBPQtLabel* waitText = nullptr;
};

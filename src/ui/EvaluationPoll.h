#pragma once

#include <QObject>
#include <functional>

namespace calc {

class TCalcManager;

/// Keeps the program alive while an evaluation the user asked for runs on the GUI thread: as
/// the manager's poll it lets the windows repaint, holds back user input so that nothing can
/// start a second evaluation, and stops the evaluation on Esc or an attempt to close a window.
class TEvaluationPoll final : public QObject {
    Q_OBJECT
public:
    /// onBusy runs at every poll, so the window can say that an evaluation is running.
    TEvaluationPoll(TCalcManager& manager, std::function<void()> onBusy, QObject* parent = nullptr);
    ~TEvaluationPoll() override;
    TEvaluationPoll(const TEvaluationPoll&) = delete;
    TEvaluationPoll& operator=(const TEvaluationPoll&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Poll();

    TCalcManager& FManager;
    std::function<void()> FOnBusy;
};

} // namespace calc

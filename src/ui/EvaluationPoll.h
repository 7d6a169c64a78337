#pragma once

#include <QObject>

namespace calc {

class TCalcManager;

/// Keeps the program alive while an evaluation the user asked for runs on the GUI thread: as
/// the manager's poll it lets the windows repaint, holds back user input so that nothing can
/// start a second evaluation, and stops the evaluation on Esc or an attempt to close a window.
class TEvaluationPoll final : public QObject {
    Q_OBJECT
public:
    explicit TEvaluationPoll(TCalcManager& manager, QObject* parent = nullptr);
    ~TEvaluationPoll() override;
    TEvaluationPoll(const TEvaluationPoll&) = delete;
    TEvaluationPoll& operator=(const TEvaluationPoll&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Poll();

    TCalcManager& FManager;
};

} // namespace calc

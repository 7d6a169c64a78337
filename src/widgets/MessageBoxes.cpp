#include "widgets/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace calc {

namespace {

class TModalMessageBoxes final : public IMessageBoxes {
public:
    void ShowError(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, QCoreApplication::translate("MessageBoxes", "Error"),
                              NormalizeLineBreaks(text));
    }
    bool RetryError(QWidget* parent, const QString& text) override
    {
        return QMessageBox::critical(parent, QCoreApplication::translate("MessageBoxes", "Error"),
                                     NormalizeLineBreaks(text),
                                     QMessageBox::Retry | QMessageBox::Cancel,
                                     QMessageBox::Retry) == QMessageBox::Retry;
    }
    bool Confirm(QWidget* parent, const QString& text) override
    {
        return QMessageBox::question(
                   parent, QCoreApplication::translate("MessageBoxes", "Confirmation"),
                   NormalizeLineBreaks(text), QMessageBox::Ok | QMessageBox::Cancel,
                   QMessageBox::Cancel) == QMessageBox::Ok;
    }
    void ShowInformation(QWidget* parent, const QString& caption, const QString& text) override
    {
        QMessageBox::information(parent, caption, NormalizeLineBreaks(text));
    }
};

TModalMessageBoxes gModalBoxes;
IMessageBoxes* gBoxes = nullptr;

} // namespace

IMessageBoxes& MessageBoxes()
{
    return gBoxes != nullptr ? *gBoxes : gModalBoxes;
}

void SetMessageBoxes(IMessageBoxes* boxes) noexcept
{
    gBoxes = boxes;
}

QString NormalizeLineBreaks(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

void ShowErrorBox(QWidget* parent, const QString& text)
{
    MessageBoxes().ShowError(parent, text);
}

bool RetryErrorBox(QWidget* parent, const QString& text)
{
    return MessageBoxes().RetryError(parent, text);
}

bool ConfirmBox(QWidget* parent, const QString& text)
{
    return MessageBoxes().Confirm(parent, text);
}

} // namespace calc

#include "ui/DefinitionsSelectDlg.h"

#include "definitions/FileEnum.h"
#include "engine/ExprParserTypes.h"
#include "widgets/MessageBoxes.h"

#include <QFileInfo>
#include <QUrl>
#include <filesystem>
#include <system_error>

namespace calc {

TDefinitionsSelectDialog::TDefinitionsSelectDialog(QWidget* parent) : QFileDialog(parent)
{
    const QString folder = QString::fromLocal8Bit(DefinitionsDir());
    setOption(QFileDialog::DontUseNativeDialog);
    setWindowTitle(tr("Select definitions file"));
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(tr("Definition files (*.udf)"));
    setDefaultSuffix(QStringLiteral("udf"));
    setDirectory(folder);
    QList<QUrl> places = sidebarUrls();
    places.prepend(QUrl::fromLocalFile(folder));
    setSidebarUrls(places);
    // The recent-places list would keep folders outside the definitions folder within reach.
    setHistory({});
}

bool TDefinitionsSelectDialog::Execute(std::string& fileName, QWidget* parent)
{
    std::error_code error;
    std::filesystem::create_directories(DefinitionsDir(), error);
    if (error) {
        ShowErrorBox(parent, tr("Cannot create folder \"%1\". %2")
                                 .arg(QString::fromLocal8Bit(DefinitionsDir()),
                                      QString::fromLocal8Bit(error.message())));
        return false;
    }
    TDefinitionsSelectDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fileName = dialog.ChosenPath().toLocal8Bit().toStdString();
    return true;
}

QString TDefinitionsSelectDialog::ChosenPath() const
{
    QString path = selectedFiles().value(0);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir())
        path += QStringLiteral(".udf");
    return path;
}

void TDefinitionsSelectDialog::accept()
{
    const QString path = ChosenPath();
    const QFileInfo info(path);
    // A folder is opened, not chosen.
    if (path.isEmpty() || info.isDir()) {
        QFileDialog::accept();
        return;
    }
    const std::string corePath = path.toLocal8Bit().toStdString();
    if (!IsInDefinitionsDir(corePath)) {
        try {
            CheckInDefinitionsDir(corePath);
        }
        catch (const EException& e) {
            ShowErrorBox(this, QString::fromLocal8Bit(e.what()));
        }
        return;
    }
    if (!info.exists() &&
        !ConfirmBox(this, tr("%1 does not exist.\rCreate the file?").arg(info.fileName())))
        return;
    QFileDialog::accept();
}

} // namespace calc

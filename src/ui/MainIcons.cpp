#include "ui/MainIcons.h"

#include "ui/Main.h"
#include "ui/ToolsArea.h"
#include "widgets/ThemeIcons.h"

#include <QAction>
#include <utility>

namespace calc {

void AssignActionIcons(TfrmCalculator& window)
{
    const std::pair<QAction*, const char*> icons[] = {
        {window.actnEvaluate, "media-playback-start"},
        {window.actnEvaluateRefresh, "view-refresh"},
        {window.actnCopy, "edit-copy"},
        {window.actnCopyResult, "edit-copy"},
        {window.actnCopyExpression, "edit-copy"},
        {window.actnEditSelectAll, "edit-select-all"},
        {window.actnView, "view-visible"},
        {window.actnResultFormats, "view-list-details"},
        {window.actnHistory, "view-history"},
        {window.actnDefinitions, "accessories-dictionary"},
        {window.actnOptions, "preferences-system"},
        {window.actnHelpContents, "help-contents"},
        {window.actnHelpWebSite, "internet-web-browser"},
        {window.actnHelpAbout, "help-about"},
        {window.actnFileExit, "application-exit"},
    };
    for (const auto& [action, name] : icons)
        if (action != nullptr)
            action->setIcon(ThemeIcon(QLatin1String(name)));
}

} // namespace calc

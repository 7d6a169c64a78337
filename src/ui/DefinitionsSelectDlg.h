#pragma once

#include <QFileDialog>
#include <string>

namespace calc {

/// Asks for a definitions file inside the definitions folder, an existing one or a new name.
/// The toolkit's own dialog is used rather than the desktop's, so that OK can be refused.
class TDefinitionsSelectDialog final : public QFileDialog {
    Q_OBJECT
public:
    explicit TDefinitionsSelectDialog(QWidget* parent = nullptr);

    /// Creates the definitions folder when missing and runs the dialog; true with the chosen
    /// path in fileName when the user confirms.
    static bool Execute(std::string& fileName, QWidget* parent = nullptr);

    /// The chosen path with the ".udf" suffix added when the name has none.
    [[nodiscard]] QString ChosenPath() const;
    /// Refused while the path lies outside the definitions folder, and for a new file until the
    /// user agrees to create it.
    void accept() override;
};

} // namespace calc

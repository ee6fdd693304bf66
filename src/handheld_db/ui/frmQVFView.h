#pragma once

#include "platform/ILog.h"
#include "platform/IMessageBox.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

class QTreeWidget;

namespace Ui {
class frmQVFView;
}

namespace dovrex {
class QVFReader;
}

namespace dovrex::ui {

// Shows a route or readings database without changing it: its routes, and the meter
// records of the route chosen with every schema field.
class frmQVFView : public QDialog {
    Q_OBJECT

public:
    frmQVFView(ILog& log, IMessageBox* messages, QWidget* parent = nullptr);
    ~frmQVFView() override;

    // Fills the window from the file and shows it modally. A file that cannot be opened
    // logs "Error: Could not read QVF file" and shows nothing (true); false when the file
    // is inconsistent (a route record before the header or outside its route count) or
    // cannot be read to its end.
    bool Display(const std::string& Filename);

    // The column headers of the meter list: the QVF fields in display order.
    static const QStringList& MeterColumns();

    enum class LoadResult { Shown, NotOpened, Failed };
    // Display without its modal loop: fills the window, ready to be shown.
    LoadResult Load(const std::string& Filename);

private:
    void ShowMeters(int16_t RoutePosition);
    static void AutoSizeColumns(QTreeWidget& list);

    std::unique_ptr<Ui::frmQVFView> ui;
    ILog& mLog;
    IMessageBox* mMessages;
    std::unique_ptr<QVFReader> mDatabase;
};

} // namespace dovrex::ui

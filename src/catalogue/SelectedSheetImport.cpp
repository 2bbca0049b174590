#include "catalogue/SelectedSheetImport.h"
#include "session/AppContext.h"
#include "store/SheetImport.h"

void importSelectedSheet(AppContext &context, QWidget &window)
{
    SheetImport import(context.selectedMapFolder(), context.desktop(), context.statusGauge(), window,
                       [&context](const QString &mapFolder) { emit context.tilesInstalled(mapFolder); });
    if (import.confirmAndImport())
        context.refreshSelectionStatus();
}

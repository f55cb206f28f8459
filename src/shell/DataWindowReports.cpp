#include "shell/DataWindowReports.h"

#include "common/UiDispatcher.h"
#include "shell/MainWindow.h"

DataWindowReports::DataWindowReports(mms::UiDispatcher& dispatcher)
    : signal_([&dispatcher] {
        dispatcher.Post([] {
          if (gMainWindow) gMainWindow->ScheduleResultRefresh();
        });
      }) {}

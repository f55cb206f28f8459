#include "shell/DataWindowReports.h"

#include "datawindow/Ti.h"
#include "shell/MainForm.h"

namespace {
Ti* WindowOf(int slot) { return MainForm ? MainForm->DataWindow(slot) : nullptr; }
}  // namespace

// The data window's own report handlers join here when the data window is integrated.

void DataWindowReports::CountPoll(int slot) { (void)WindowOf(slot); }

void DataWindowReports::FillGrid(int slot, const mms::PollDefinition& request,
                                 const uint16_t* readBuffer) {
  (void)request;
  (void)readBuffer;
  (void)WindowOf(slot);
}

void DataWindowReports::CountError(int slot) { (void)WindowOf(slot); }

void DataWindowReports::ShowTimeout(int slot) { (void)WindowOf(slot); }

void DataWindowReports::ShowInvalidReply(int slot) { (void)WindowOf(slot); }

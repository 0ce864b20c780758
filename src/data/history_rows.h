#pragma once

#include <string>

#include "data/data_file.h"
#include "history/run_record.h"

namespace rf::data {

// The rows a run's record keeps of the values a data file holds, named the
// same whether they come from the tables at the end of a run or from a
// history file read back: a value by its block's name as the log gives it
// ("MAGVEX HDSP,19800rpm,PB,PB,Conf"), its item and its head or channel; an
// error rate by the block it belongs to (run::rateBlockName), its
// measurement ("Self AUDIO1", "Master") and its head.

// A value, as the data holds it at the end (`left`).
history::ValueRow valueRowOf(const Cell& cell, int value);
// An error rate with its limit and verdict. A history file does not name the
// HDLP playback blocks of a save made for some of them only: such a row is of
// `unnamedBlock` and has no limit.
history::RateRow rateRowOf(const Cell& cell, float value, const std::string& unnamedBlock = "");

// The rows of what a save writes, or a load read, as the tables hold them:
// the error rates of the blocks of `AdjTarget`, and every level and record
// value.
void addDataFileRows(history::RunRecord& run, const ErrorRates& rates,
                     const AdjustmentTables& tables, const BlockTable& AdjTarget);
// The value rows of the blocks a transfer moved (`AdjTarget`): what the
// recorder holds at the end (`left`), and, for a transfer that only read them,
// also as found.
void addTransferRows(history::RunRecord& run, const AdjustmentTables& tables,
                     const BlockTable& AdjTarget, bool onlyRead);

}  // namespace rf::data

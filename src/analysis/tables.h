#pragma once

#include "analysis/agreement.h"
#include "analysis/coding.h"
#include "analysis/csv_writer.h"
#include "analysis/latency.h"
#include "analysis/summary.h"

#include <vector>

// The tables of the analysis as CSV, times in seconds with three decimals.
// Each starts a writer with its header; the append functions add the rows of
// one transcript, so that several transcripts' rows follow each other.

// file,video,line,time,clock,entry,behaviour,kind,event
CsvWriter eventsTable();
void appendEvents(CsvWriter& csv, const Coding& coding);

// file,video,behaviour,start,stop,duration,ended
CsvWriter boutsTable();
void appendBouts(CsvWriter& csv, const Coding& coding);

// file,video,behaviour,kind,count,total_duration,mean_duration,proportion,rate_per_min
CsvWriter summaryTable();
void appendSummary(CsvWriter& csv, const Coding& coding, Span span);

// file,video,bin_start,bin_end,behaviour,kind,count,total_duration,mean_duration,
// proportion,rate_per_min: the summary of each bin, mean_duration left empty
CsvWriter binnedSummaryTable();
void appendBinnedSummary(CsvWriter& csv, const Coding& coding, const std::vector<SummaryBin>& bins);

// file,from,to,count,probability
QByteArray transitionTable(const std::vector<TransitionRow>& rows);

// file,video,behaviour,kind,latency
CsvWriter latencyTable();
void appendLatencies(CsvWriter& csv, const std::vector<LatencyRow>& rows);

// unit,kind,intervals,both,only_a,only_b,neither,agreement,kappa
QByteArray intervalTable(const std::vector<IntervalRow>& rows);

// behaviour,matched,only_a,only_b,agreement
QByteArray matchTable(const std::vector<MatchRow>& rows);

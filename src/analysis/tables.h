#pragma once

#include "analysis/agreement.h"
#include "analysis/coding.h"
#include "analysis/csv_writer.h"
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

// unit,kind,intervals,both,only_a,only_b,neither,agreement,kappa
QByteArray intervalTable(const std::vector<IntervalRow>& rows);

// behaviour,matched,only_a,only_b,agreement
QByteArray matchTable(const std::vector<MatchRow>& rows);

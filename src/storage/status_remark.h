#pragma once

#include <QString>

// Remarks the storage code appends to the status line (savedState().tbTextBlock)
// about work it does in the background. User-interface thread only.

// Puts remark at the end of the status line in place of the other remark.
void showStatusRemark(const QString& remark, const QString& other);

// The remark shown when the journal cannot be written.
QString journalFailureRemark();

// The remark shown when the journal works again after a failure.
QString journalRecoveryRemark();

#pragma once

#include "Support.h"

#include "app/MainState.h"

#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QStringList>

namespace test {

// What the user does with a camera, and what the tests read off the dialogs.

// "Select Source" with OK on the driver at `index` and the track bar at `fps`.
void selectSource(TestProgram& run, int index, int fps);
// Waits for the next frame the capture window paints, and grabs one; null when none came.
QImage nextGrab(const app::MainState& s);

QStringList items(const QComboBox& box);
QStringList items(const QListWidget& list);
// Chooses the list's item of that text; a test failure when there is not exactly one.
void choose(QListWidget& list, const QString& text);

} // namespace test

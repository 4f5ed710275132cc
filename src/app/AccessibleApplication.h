#pragma once
// The application as screen readers see it: Qt lists only the top-level
// windows that are not popups, so a context menu, which belongs to no menu
// bar, would be on nobody's list of children and invisible on the
// accessibility bus. This one lists the open ones as well.

// Makes the application's accessible object this one; harmless when called
// again.
void InstallAccessibleApplication();

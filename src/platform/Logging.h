#pragma once
// The program's logging categories, one a subsystem. Warnings are on by default; the rest
// with QT_LOGGING_RULES="orvantis.*.debug=true".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCatalogue)   // orvantis.catalogue: sheets, archive maps, added maps
Q_DECLARE_LOGGING_CATEGORY(lcDownload)    // orvantis.download: download runs
Q_DECLARE_LOGGING_CATEGORY(lcFinder)      // orvantis.finder: towns and their sheets
Q_DECLARE_LOGGING_CATEGORY(lcImaging)     // orvantis.imaging: JPEG decoding
Q_DECLARE_LOGGING_CATEGORY(lcNet)         // orvantis.net: HTTP and IIIF answers
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)    // orvantis.platform: folders, connection, desktop
Q_DECLARE_LOGGING_CATEGORY(lcPrint)       // orvantis.print: printing and transfer files
Q_DECLARE_LOGGING_CATEGORY(lcRender)      // orvantis.render: composing tiles into pictures
Q_DECLARE_LOGGING_CATEGORY(lcSession)     // orvantis.session: settings and shared state
Q_DECLARE_LOGGING_CATEGORY(lcStore)       // orvantis.store: tiles on disk
Q_DECLARE_LOGGING_CATEGORY(lcView)        // orvantis.view: the map views and previews
Q_DECLARE_LOGGING_CATEGORY(lcUi)          // orvantis.ui: the window and its pages

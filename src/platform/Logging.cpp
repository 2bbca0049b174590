#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcCatalogue, "orvantis.catalogue", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDownload, "orvantis.download", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFinder, "orvantis.finder", QtWarningMsg)
Q_LOGGING_CATEGORY(lcImaging, "orvantis.imaging", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNet, "orvantis.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlatform, "orvantis.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPrint, "orvantis.print", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRender, "orvantis.render", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSession, "orvantis.session", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "orvantis.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcView, "orvantis.view", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "orvantis.ui", QtWarningMsg)

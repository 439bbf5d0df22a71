#include "net/NetworkFailure.h"

#include "texts/UiTexts.h"

QString networkFailureText(NetworkFailure failure, const QString& endpoint, const QString& detail) {
  using namespace UiTexts;
  switch (failure) {
    case NetworkFailure::None:
      return {};
    case NetworkFailure::BadAddress:
      return uiText(txtNotAPortName).arg(endpoint);
    case NetworkFailure::NameNotFound:
      return uiText(txtNetNameNotFound).arg(endpoint);
    case NetworkFailure::Refused:
      return uiText(txtNetRefused).arg(endpoint);
    case NetworkFailure::Unreachable:
      return uiText(txtNetUnreachable).arg(endpoint);
    case NetworkFailure::TimedOut:
      return uiText(txtNetTimedOut).arg(endpoint);
    case NetworkFailure::ClosedByFarEnd:
      return uiText(txtNetClosedByFarEnd).arg(endpoint);
    case NetworkFailure::ComPortRefused:
      return uiText(txtNetComPortRefused).arg(endpoint);
    case NetworkFailure::InUse:
      return uiText(txtNetInUse).arg(endpoint);
    case NetworkFailure::Other:
      break;
  }
  return uiText(txtNetOtherError).arg(endpoint, detail);
}

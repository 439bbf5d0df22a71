#include "texts/UiTexts.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace UiTexts {
namespace {

struct Entry {
  int id;
  QString text;
};

const std::vector<Entry>& entries() {
  const QChar cr(13);
  static const std::vector<Entry> list{
      {txtSabotage, QStringLiteral("Sabotaż")},
      {txtSupply, QStringLiteral("Zasilanie: ")},
      {txtVolt, QStringLiteral(" V")},
      {txtMs, QStringLiteral(" ms")},
      {txtBeamOff, QStringLiteral("wyłączona")},
      {txtNoAutoBlock, QStringLiteral("bez")},
      {txtCaption, QStringLiteral("Orvita")},
      {txtStatuses, QStringLiteral("Statusy")},
      {txtSave, QStringLiteral("Zapisz")},
      {txtSaveAs, QStringLiteral("Zapisz jako")},
      {txtEnd, QStringLiteral("Koniec")},
      {txtCommunication, QStringLiteral("Komunikacja")},
      {txtResetBlocks, QStringLiteral("Reset blokad")},
      {txtConfiguration, QStringLiteral("Konfiguracja")},
      {txtRs232, QStringLiteral("RS-232")},
      {txtHelp, QStringLiteral("Pomoc")},
      {txtAbout, QStringLiteral("O programie")},
      {txtNoConnection, QStringLiteral(" Brak połączenia.")},
      {txtOrvitaIdent, QStringLiteral(" ORVITA ")},
      {txtOpened, QStringLiteral(" opened")},
      {txtClosed, QStringLiteral(" closed")},
      {txtOutputNcOk, QStringLiteral("Wyjście NC OK")},
      {txtAlarm, QStringLiteral("Alarm")},
      {txtOutputTmpOk, QStringLiteral("Wyjście TMP OK")},
      {txtSensitivity, QStringLiteral("Czułość")},
      {txtAutoBlock, QStringLiteral("Autoblok.")},
      {txtAlarming, QStringLiteral("Alarmowanie")},
      {txtOneBeam, QStringLiteral("jedna wiązka")},
      {txtTwoBeams, QStringLiteral("dwie wiązki")},
      {txtBeamParameters, QStringLiteral("Parametry wiązek")},
      {txtAutoBlockTime, QStringLiteral("Czas zliczania autoblokowania")},
      {txtSeconds, QStringLiteral("sek.")},
      {txtMinutes, QStringLiteral("min.")},
      {txtMaxCoveredTime, QStringLiteral("Maks. czas zasł. wszystkich wiązek")},
      {txtTransmitterSerial, QStringLiteral("Numer seryjny nadajnika")},
      {txtRead, QStringLiteral("Pobierz")},
      {txtSend, QStringLiteral("Wyślij")},
      {txtResetBlockMemory, QStringLiteral("Reset pam. blokad")},
      {txtFile, QStringLiteral("Plik")},
      {txtOpen, QStringLiteral("Otwórz")},
      {txtHintBlocked, QStringLiteral("Zablokowane wiązki")},
      {txtHintBlockMemory, QStringLiteral("Pamięć blokad, wiązki")},
      {txtHintCoveredTooLong, QStringLiteral("Sabotaż - zbyt długo zasłonięte wszystkie wiązki")},
      {txtHintBusTamper, QStringLiteral("Sabotaż magistrali komunikacyjnej")},
      {txtHintBusOk, QStringLiteral("Magistrala komunikacyjna OK.")},
      {txtHintReceiverTamper, QStringLiteral("Styk sabotażowy odbiornika otwarty")},
      {txtHintTransmitterTamper, QStringLiteral("Styk sabotażowy nadajnika otwarty")},
      {txtHintLowSupply, QStringLiteral("Za niskie napięcie zasilania!!!")},
      {txtHintRegistration, QStringLiteral("Włączony tryb rejestracji nadajnika")},
      {txtHintLedOn, QStringLiteral("LED załączony")},
      {txtHintLedOff, QStringLiteral("LED wyłączony")},
      {txtProgramTitle, QStringLiteral("Program konfiguracyjny bariery ") + cr + QStringLiteral("ORVITA")},
      {txtVersionPrefix, QStringLiteral("wer.")},
      {txtBeam, QStringLiteral("Wiązka")},

      {txtLogTooLong, QStringLiteral("Za długa ramka: ")},
      {txtLogBadCrc, QStringLiteral("Bad CRC: ")},
      {txtLogBuf, QStringLiteral("  buf: ")},
      {txtLogUnknownCommand, QStringLiteral("Nieznane polecenie: ")},
      {txtLogBadBeamCount, QStringLiteral("Zła ilość wiązek: ")},
      {txtLogTimer, QStringLiteral("TIMR, buf: ")},
      // The request lines are the words service logs have always carried for
      // each request, and what technicians search old logs for: kept as they are.
      {txtLogAskVer, QStringLiteral("Ask_ver")},
      {txtLogAskData, QStringLiteral("Ask_data")},
      {txtLogAskWrite, QStringLiteral("Ask_write")},
      {txtLogAskWrite2, QStringLiteral("Ask_write2")},
      {txtLogAskData2, QStringLiteral("Ask_data2")},
      {txtLogAskRes, QStringLiteral("Ask_res")},
      {txtLogWriteOk, QStringLiteral("Ask_write  OK")},
      {txtLogWrite2Ok, QStringLiteral("Ask_write2 OK")},
      {txtLogBeamsNar, QStringLiteral("Stan wiązek (nar.): ")},
      {txtLogBlocked, QStringLiteral("Stan blokad: ")},
      {txtLogBlockMemory, QStringLiteral("Stan pam. blokad:")},
      {txtLogBeams50, QStringLiteral("Stan wiązek (50%): ")},
      {txtLogBeamsAlarm, QStringLiteral("Stan wiązek alarm: ")},
      {txtLogStatus, QStringLiteral("Status")},
      {txtLogShortReply, QStringLiteral("Za krótka odpowiedź: ")},

      {txtLogBox, QStringLiteral("log")},
      {txtStopBox, QStringLiteral("stop")},
      {txtLogBoxTip, QStringLiteral("Pliki dziennika:")},
      {txtLogFileFailed, QStringLiteral("Nie można zapisać dziennika %1: %2")},

      {txtPortSettings, QStringLiteral("Port Settings")},
      {txtBaudRate, QStringLiteral("Baud Rate")},
      {txtDataSize, QStringLiteral("Data Size")},
      {txtStopBits, QStringLiteral("Stop Bits")},
      {txtParity, QStringLiteral("Parity")},
      {txtDtrSignal, QStringLiteral("DTR signal")},
      {txtRtsSignal, QStringLiteral("RTS signal")},
      {txtOk, QStringLiteral("O&K")},
      {txtPortLabel, QStringLiteral("Port RS-232 :")},
      {txt6Bits, QStringLiteral("6 bits")},
      {txt7Bits, QStringLiteral("7 bits")},
      {txt8Bits, QStringLiteral("8 bits")},
      {txt1StopBit, QStringLiteral("1 Stop Bit")},
      {txt15StopBits, QStringLiteral("1.5 ")},
      {txt2StopBits, QStringLiteral("2 Stop Bits")},
      {txtParityNone, QStringLiteral("None")},
      {txtParityOdd, QStringLiteral("Odd")},
      {txtParityEven, QStringLiteral("Even")},
      {txtParityMark, QStringLiteral("Mark")},
      {txtParitySpace, QStringLiteral("Space")},

      {txtPortNoDevice, QStringLiteral("Nie ma takiego urządzenia. Sprawdź, czy przejściówka USB jest podłączona, i "
                                       "wybierz port w menu Konfiguracja, RS-232.")},
      {txtPortNoPermission, QStringLiteral("Brak uprawnień do %1 (grupa %2).")},
      {txtPortRelogin,
       QStringLiteral("Należysz już do grupy %1: wyloguj się i zaloguj ponownie, aby uprawnienia zaczęły działać.")},
      {txtPortAddToGroup,
       QStringLiteral(
           "Dodaj użytkownika do grupy %1 (sudo usermod -aG %1 $USER), potem wyloguj się i zaloguj ponownie.")},
      {txtPortInUse,
       QStringLiteral("Port jest zajęty przez inny program. Zamknij ten program albo wybierz inny port.")},
      {txtPortNotTerminal,
       QStringLiteral("To nie jest port szeregowy. Wybierz inny port w menu Konfiguracja, RS-232.")},
      {txtPortOtherError, QStringLiteral("Nie można otworzyć portu: %1")},
      {txtPortChangePermissions,
       QStringLiteral("Brak uprawnień do %1 (%2). Uprawnienia urządzenia trzeba zmienić, np. regułą udev.")},

      {txtPortListEntry, QStringLiteral("%1 – %2")},
      {txtPortUsbSerial, QStringLiteral("%1, nr seryjny %2")},
      {txtPortUsbIds, QStringLiteral("urządzenie USB %1:%2")},
      {txtPortNotPresent, QStringLiteral("brak urządzenia")},

      {txtFileNotFound, QStringLiteral("File not found")},
      {txtInvalidFilename, QStringLiteral("Invalid filename")},
      {txtFileAccessDenied, QStringLiteral("File access denied")},
      {txtReadBeyondEnd, QStringLiteral("Read beyond end of file")},
      {txtDiskFull, QStringLiteral("Disk full")},
      {txtTooManyOpenFiles, QStringLiteral("Too many open files")},
      {txtNotRegularFile, QStringLiteral("To nie jest zwykły plik")},
      {txtNoticeAbout, QStringLiteral("%1 (%2): %3")},
      {txtWriteNotDone, QStringLiteral("Konfiguracja NIE została wysłana: połączenie z barierą było przerwane. "
                                       "Niewysłane zmiany zostały w edytorach (podświetlone); „Wyślij” wyśle je.")},
      {txtWritePartly, QStringLiteral("Konfiguracja wysłana tylko w części: połączenie z barierą było przerwane. "
                                      "Bariera ma już %1, ale NIE %2. Niewysłane zmiany zostały w edytorach "
                                      "(podświetlone); „Wyślij” dokończy zapis.")},
      {txtWriteNotConfirmed, QStringLiteral("Odczyt po wysłaniu nie potwierdza wartości: %1. Bariera ma wartości "
                                            "inne niż wysłane (podświetlone); „Wyślij” spróbuje ponownie.")},
      {txtEditsKept, QStringLiteral("Po ponownym połączeniu edytory pokazują konfigurację bariery, a niewysłane "
                                    "zmiany zostały (podświetlone); „Pobierz” je porzuca, „Wyślij” zapisuje.")},
      {txtResetNotDone, QStringLiteral("Reset pamięci blokad NIE został wykonany: połączenie z barierą zostało "
                                       "przerwane.")},
      {txtResetNoBarrier, QStringLiteral("Reset pamięci blokad NIE został zlecony: brak połączenia z barierą.")},
      {txtBlockFrom16, QStringLiteral("czas zliczania autoblokowania i autoblokady wiązek")},
      {txtBlockFrom0, QStringLiteral("alarmowania, czułości wiązek, numeru seryjnego nadajnika i maks. czasu "
                                     "zasłonięcia")},
      {txtFieldResponseTime, QStringLiteral("Czułość wiązki %1")},
      {txtFieldAutoBlockCount, QStringLiteral("Autoblok. wiązki %1")},
      {txtFileBeamCountDiffers, QStringLiteral("Plik jest dla bariery o liczbie wiązek %1, a podłączona bariera ma "
                                               "ich %2; „Wyślij” zapyta przed zapisem.")},
      {txtFileBeamCountInvalid, QStringLiteral("Plik podaje liczbę wiązek %1, a bariera ma ich od 2 do 8; liczba "
                                               "wiązek została bez zmian.")},
      {txtSendOtherBeamCount, QStringLiteral("Konfiguracja jest dla bariery o liczbie wiązek %1, a podłączona "
                                             "bariera ma ich %2. Wysłać ją mimo to?")},
      {txtCloseNotice, QStringLiteral("Zamknij")},

      {txtCliDescription,
       QStringLiteral("Obsługa bariery ORVITA bez okna: kopia i odtworzenie konfiguracji, reset pamięci blokad,\n"
                      "stan bariery.\n"
                      "\n"
                      "Polecenia:\n"
                      "  identify           identyfikacja bariery i liczba wiązek\n"
                      "  read PLIK.acc      odczyt konfiguracji z bariery do pliku\n"
                      "  write PLIK.acc     zapis konfiguracji z pliku do bariery, z odczytem sprawdzającym\n"
                      "  reset              reset pamięci blokad\n"
                      "  status             stan bariery: wiązki, wyjścia, styki sabotażowe, magistrala, LED,\n"
                      "                     tryb rejestracji, zasilanie\n"
                      "  show PLIK.acc      konfiguracja zapisana w pliku\n"
                      "  diff A.acc B.acc   różnice między dwoma plikami konfiguracji\n"
                      "  history [--barrier NUMER] [--since KIEDY] [--until KIEDY] [--json | --csv]\n"
                      "                     zdarzenia z bazy historii, od najstarszych; KIEDY: data (2026-12-08),\n"
                      "                     data i godzina (2026-12-08T03:12) albo okres wstecz (24h, 7d)\n"
                      "  barriers [--json]  bariery znane bazie historii\n"
                      "\n"
                      "Kod wyjścia: 0 wykonane; 1 bariera nie odpowiada albo odmówiła (diff: pliki się różnią);\n"
                      "2 błędne wywołanie albo plik, którego nie można odczytać lub zapisać; 3 nie można otworzyć\n"
                      "portu.")},
      {txtCliCommandArgument,
       QStringLiteral("identify, read, write, reset, status, show, diff, history albo barriers.")},
      {txtCliCommandSyntax, QStringLiteral("polecenie [plik…]")},
      {txtCliOptionPort,
       QStringLiteral("Port bariery: nazwa w jądrze (ttyUSB0) albo ścieżka (/dev/serial/by-id/…); domyślnie port "
                      "zapisany przez program.")},
      {txtCliOptionPortValue, QStringLiteral("nazwa")},
      {txtCliOptionTimeout, QStringLiteral("Jak długo czekać na barierę, w sekundach (domyślnie %1).")},
      {txtCliOptionTimeoutValue, QStringLiteral("sekundy")},
      {txtCliOptionForce, QStringLiteral("write: zapisz także do bariery o innej liczbie wiązek niż w pliku.")},
      {txtCliOptionFollow, QStringLiteral("status: pokazuj stan po każdej zmianie, dopóki bariera odpowiada.")},
      {txtCliOptionJson, QStringLiteral("status, history, barriers: jeden obiekt JSON w wierszu.")},
      {txtCliSeeHelp, QStringLiteral(" (--help opisuje polecenia).")},
      {txtCliNoCommand, QStringLiteral("Brak polecenia.")},
      {txtCliUnknownCommand, QStringLiteral("Nieznane polecenie: %1.")},
      {txtCliSyntax, QStringLiteral("Składnia: orvita-cli %1.")},
      {txtCliOptionNotFor, QStringLiteral("Opcja %1 nie dotyczy polecenia %2.")},
      {txtCliBadTimeout, QStringLiteral("Czas oczekiwania to liczba sekund większa od zera, a nie %1.")},
      {txtCliNoAnswer, QStringLiteral("Bariera na porcie %1 nie odpowiada.")},
      {txtCliWriteInterrupted,
       QStringLiteral("Zapis przerwany, bariera na porcie %1 nie odpowiada; jej konfiguracja mogła zostać zmieniona "
                      "tylko w części.")},
      {txtCliBeamCountMismatch,
       QStringLiteral("Liczba wiązek w pliku (%1) różni się od liczby wiązek bariery (%2); zapis odrzucony "
                      "(--force zapisuje mimo to).")},
      {txtCliVerifyFailed, QStringLiteral("Odczyt po zapisie nie potwierdza wartości z pliku (bajty %1).")},
      {txtCliBeamCount, QStringLiteral("Liczba wiązek")},
      {txtCliBeamNormal, QStringLiteral("normalna")},
      {txtCliBeamNar, QStringLiteral("nar.")},
      {txtCliBeam50, QStringLiteral("50%")},
      {txtCliBeamAlert, QStringLiteral("alarm")},
      {txtCliBeamBlocked, QStringLiteral("zablokowana")},
      {txtCliBeamBlockMemory, QStringLiteral("pamięć blokady")},
      {txtCliReservedByte, QStringLiteral("Bajt %1 (zarezerwowany)")},

      {txtJournalCannotWrite,
       QStringLiteral("Nie można zapisywać bazy historii %1 (%2); program działa dalej bez niej.")},
      {txtJournalDamaged, QStringLiteral("Baza historii %1 była uszkodzona: odłożono ją jako %2 i założono nową.")},
      {txtJournalNewer, QStringLiteral("Baza historii %1 pochodzi z nowszej wersji programu i zostaje nietknięta; "
                                       "program działa dalej bez niej.")},
      {txtJournalLocked, QStringLiteral("Baza historii %1 jest zajęta przez inny program dłużej niż %2 s; program "
                                        "działa dalej bez niej.")},
      {txtJournalCannotRead, QStringLiteral("Nie można odczytać bazy historii %1: %2")},
      {txtCliBadWhen, QStringLiteral("Nieznany czas \"%1\": podaj datę (2026-12-08), datę i godzinę "
                                     "(2026-12-08T03:12) albo okres wstecz (24h, 7d).")},
      {txtCliOptionBarrier, QStringLiteral("history: tylko bariera o tym numerze seryjnym nadajnika.")},
      {txtCliOptionSince, QStringLiteral("history: zdarzenia od tej chwili.")},
      {txtCliOptionUntil, QStringLiteral("history: zdarzenia do tej chwili.")},
      {txtCliOptionCsv, QStringLiteral("history: zdarzenia jako CSV (UTF-8).")},
      {txtCliOptionWhenValue, QStringLiteral("KIEDY")},
      {txtCliOptionSerialValue, QStringLiteral("NUMER")},
      {txtCliJsonAndCsv, QStringLiteral("--json i --csv wykluczają się.")},
      {txtCliBarrierLine, QStringLiteral("Nadajnik %1: ORVITA %2 v.%3, widziana od %4 do %5, połączeń %6, "
                                         "alarmów %7, sabotaży %8")},
      {txtCliNoBarriers, QStringLiteral("Baza historii nie zna jeszcze żadnej bariery.")},
      {txtCliBadSerial, QStringLiteral("Numer seryjny nadajnika to liczba od 0 do 65535, nie \"%1\".")},

      {txtProgramSummary, QStringLiteral("Konfiguracja i serwis bariery podczerwieni Orvita przez łącze RS-232.")},
      {txtHelpOption, QStringLiteral("Wyświetla tę pomoc.")},
      {txtVersionOption, QStringLiteral("Wyświetla numer wersji.")},
      {txtPortOption, QStringLiteral("Port szeregowy od tego uruchomienia: nazwa urządzenia (ttyUSB0), stała nazwa "
                                     "/dev/serial/by-id/… albo inna ścieżka. Zapamiętywany jak wybór w oknie RS-232.")},
      {txtPortOptionValue, QStringLiteral("NAZWA")},
      {txtUnexpectedArgument, QStringLiteral("Nieoczekiwany argument: %1")},
      {txtNotAPortName, QStringLiteral("To nie jest nazwa portu: \"%1\"")},
      {txtNoDisplay,
       QStringLiteral("Nie można otworzyć okna: brak ekranu (DISPLAY, WAYLAND_DISPLAY). Uruchom program w sesji "
                      "graficznej albo użyj --help lub --version.")},

      {txtServiceMenu, QStringLiteral("Serwis")},
      {txtHistoryItem, QStringLiteral("Historia…")},
      {txtHistoryCaption, QStringLiteral("Historia")},
      {txtLaneAlarmOutput, QStringLiteral("Wyjście alarmowe")},
      {txtLaneTamperOutput, QStringLiteral("Wyjście sabotażowe")},
      {txtLaneTamperContacts, QStringLiteral("Styki sabotażowe")},
      {txtLaneLowSupply, QStringLiteral("Niskie zasilanie")},
      {txtLaneRegistration, QStringLiteral("Tryb rejestracji")},
      {txtLaneSupply, QStringLiteral("Zasilanie [V]")},
      {txtTimelineNotConnected, QStringLiteral("brak połączenia")},
      {txtTimelineDateFormat, QStringLiteral("dddd, d MMMM yyyy")},
      {txtShowAll, QStringLiteral("Wszystko")},
      {txtShowLastHour, QStringLiteral("Ostatnia godzina")},
      {txtShowLastDay, QStringLiteral("Ostatnie 24 h")},
      {txtPreviousAlarm, QStringLiteral("◀ Poprzedni alarm")},
      {txtNextAlarm, QStringLiteral("Następny alarm ▶")},
      {txtZoomIn, QStringLiteral("+")},
      {txtZoomOut, QStringLiteral("−")},
      {txtZoomInTip, QStringLiteral("Powiększ (+, kółko myszy, zaznaczenie prawym przyciskiem)")},
      {txtZoomOutTip, QStringLiteral("Pomniejsz (−, kółko myszy)")},
      {txtLive, QStringLiteral("Na żywo")},
      {txtLiveTip, QStringLiteral("Pokazuj na bieżąco podłączoną barierę")},
      {txtExportPng, QStringLiteral("Obraz PNG…")},
      {txtExportCsv, QStringLiteral("Zdarzenia CSV…")},
      {txtBarrierLabel, QStringLiteral("Bariera:")},
      {txtBarrierEntry, QStringLiteral("nr %1, wer. %2 (od %3 do %4)")},
      {txtBarrierNoSerial, QStringLiteral("bez numeru")},
      {txtTimelineSince, QStringLiteral("od %1")},
      {txtTimelineNothingSeen, QStringLiteral("brak zapisów")},
      {txtTimelineEmpty, QStringLiteral("Dziennik nie zawiera jeszcze żadnej bariery.")},
      {txtJournalUnavailable, QStringLiteral("Dziennik jest niedostępny: %1")},
      {txtSavePngTitle, QStringLiteral("Zapisz obraz historii")},
      {txtSaveCsvTitle, QStringLiteral("Zapisz zdarzenia z widocznego zakresu")},
      {txtPngFilter, QStringLiteral("Obraz PNG (*.png)")},
      {txtCsvFilter, QStringLiteral("Plik CSV (*.csv)")},
      {txtExportFailed, QStringLiteral("Nie można zapisać %1: %2")},
      {txtTimelineHelp, QStringLiteral("Kółko myszy lub +/−: powiększenie. Przeciąganie lub strzałki: przesuwanie. "
                                       "Prawy przycisk: zaznaczenie zakresu do powiększenia.")},
      {txtTimelineChanges, QStringLiteral("zmian w tym miejscu: %1")},
      {txtNoAlarm, QStringLiteral("Brak alarmu w tym kierunku.")},
      {txtFileArgument, QStringLiteral("plik.acc")},
      {txtFileArgumentHelp, QStringLiteral("Plik konfiguracji do otwarcia, jak w menu Plik, Otwórz.")},
      {txtFileArgumentSyntax, QStringLiteral("[plik.acc]")},
      {txtDisplayUnusable, QStringLiteral("Nie można otworzyć okna: %1.")},
      {txtWaylandPluginMissing,
       QStringLiteral("sesja Wayland (WAYLAND_DISPLAY=%1), a brak wtyczki Wayland biblioteki Qt: zainstaluj pakiet "
                      "qt6-wayland")},
      {txtWaylandRefused, QStringLiteral("kompozytor Wayland %1 (WAYLAND_DISPLAY) nie przyjmuje połączenia")},
      {txtX11Refused, QStringLiteral("serwer X %1 (DISPLAY) nie przyjmuje połączenia")},
      {txtX11NotSet, QStringLiteral("wybrano platformę xcb, a brak ekranu X (DISPLAY)")},
      {txtPlatformUnusable,
       QStringLiteral("wtyczka platformy Qt „%1” (-platform, QT_QPA_PLATFORM) nie działa albo nie jest zainstalowana")},
  };
  return list;
}

QHash<int, QString> buildTable() {
  QHash<int, QString> table;
  for (const Entry& entry : entries()) table.insert(entry.id, entry.text);
  return table;
}

}  // namespace

std::vector<int> duplicateIds() {
  std::vector<int> seen, twice;
  for (const Entry& entry : entries()) {
    if (std::find(seen.begin(), seen.end(), entry.id) != seen.end()) twice.push_back(entry.id);
    seen.push_back(entry.id);
  }
  return twice;
}

const QString& uiText(Id id) {
  static const QHash<int, QString> table = buildTable();
  static const QString empty;
  const auto it = table.constFind(id);
  return it == table.constEnd() ? empty : *it;
}

}  // namespace UiTexts

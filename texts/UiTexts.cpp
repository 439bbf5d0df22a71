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

      {txtPortNoDevice, QStringLiteral("Nie ma takiego urządzenia. Sprawdź, czy adapter USB jest podłączony, i "
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
      {txtPortNoDeviceShell, QStringLiteral("Nie ma takiego urządzenia. Sprawdź, czy adapter USB jest "
                                            "podłączony, i podaj port opcją --port.")},
      {txtPortInUseShell,
       QStringLiteral("Port jest zajęty przez inny program. Zamknij ten program albo podaj inny port opcją --port.")},
      {txtPortNotTerminalShell, QStringLiteral("To nie jest port szeregowy. Podaj inny port opcją --port.")},
      {txtNetBadAddress, QStringLiteral("To nie jest adres portu sieciowego: \"%1\" (%2).")},
      {txtNetNoPortNumber, QStringLiteral("brak numeru portu: HOST:PORT, np. socket://192.168.1.20:2001")},
      {txtNetBadPortNumber, QStringLiteral("numer portu musi być liczbą od 1 do 65535")},
      {txtNetUnknownScheme, QStringLiteral("nieznany rodzaj połączenia %1://, znane to socket:// i rfc2217://")},
      {txtNetEmptyHost, QStringLiteral("brak nazwy lub adresu hosta")},
      {txtNetBadHost, QStringLiteral("\"%1\" nie jest nazwą hosta ani adresem IP; adres IPv6 podaje się w nawiasach "
                                     "kwadratowych, np. rfc2217://[fd00::12]:2001")},
      {txtNetNameNotFound, QStringLiteral("Nie znaleziono hosta %1. Sprawdź nazwę w adresie portu.")},
      {txtNetRefused, QStringLiteral("%1 odrzuca połączenie: na tym porcie nikt nie czeka. Sprawdź numer portu "
                                     "i czy ser2net albo serwer portów działa.")},
      {txtNetUnreachable, QStringLiteral("%1 jest nieosiągalny. Sprawdź sieć i adres.")},
      {txtNetTimedOut, QStringLiteral("%1 nie odpowiada.")},
      {txtNetClosedByFarEnd, QStringLiteral("%1 zamknął połączenie.")},
      {txtNetComPortRefused, QStringLiteral("%1 nie przyjmuje sterowania portem (RFC 2217). Użyj socket:// albo "
                                            "włącz rfc2217 w serwerze portów.")},
      {txtNetInUse, QStringLiteral("Port %1 jest zajęty: serwer portów obsługuje jednego klienta naraz, a "
                                   "połączony jest już inny program.")},
      {txtNetOtherError, QStringLiteral("Błąd połączenia z %1: %2")},
      {txtPortChangePermissions,
       QStringLiteral("Brak uprawnień do %1 (%2). Uprawnienia urządzenia trzeba zmienić, np. regułą udev.")},

      {txtPortListEntry, QStringLiteral("%1 – %2")},
      {txtPortUsbSerial, QStringLiteral("%1, nr seryjny %2")},
      {txtPortUsbIds, QStringLiteral("urządzenie USB %1:%2")},
      {txtPortNotPresent, QStringLiteral("brak urządzenia")},
      {txtPortLatency, QStringLiteral("%1, opóźnienie adaptera %2 ms")},

      {txtFileNotFound, QStringLiteral("File not found")},
      {txtInvalidFilename, QStringLiteral("Invalid filename")},
      {txtFileAccessDenied, QStringLiteral("File access denied")},
      {txtReadBeyondEnd, QStringLiteral("Read beyond end of file")},
      {txtDiskFull, QStringLiteral("Disk full")},
      {txtTooManyOpenFiles, QStringLiteral("Too many open files")},
      {txtNotRegularFile, QStringLiteral("To nie jest zwykły plik")},
      {txtNoticeAbout, QStringLiteral("%1 (%2): %3")},
      {txtForeignLink, QStringLiteral("Nie zapisano: ta nazwa to dowiązanie symboliczne innego użytkownika w folderze, "
                                      "do którego mogą pisać inni; mogłoby skierować zapis do cudzego pliku")},
      {txtDanglingLink, QStringLiteral("Nie zapisano: ta nazwa to dowiązanie symboliczne do pliku, który nie "
                                       "istnieje; plik nie jest tworzony w miejscu wskazanym przez dowiązanie")},
      {txtBarrierNumbered, QStringLiteral("Bariera nr %1")},
      {txtWriteNotDone, QStringLiteral("Zapis przerwany, bariera nie ma: %1. „Wyślij” dokończy zapis.")},
      {txtWriteNotConfirmed, QStringLiteral("Odczyt po zapisie nie potwierdza: %1. „Wyślij” spróbuje ponownie.")},
      {txtWriteCompleted, QStringLiteral("Konfiguracja wysłana i potwierdzona odczytem.")},
      {txtEditsKept, QStringLiteral("Niewysłane zmiany zostały w edytorach (podświetlone); „Pobierz” je porzuca, "
                                    "„Wyślij” zapisuje.")},
      {txtResetNotDone, QStringLiteral("Reset pamięci blokad NIE został wykonany: połączenie z barierą zostało "
                                       "przerwane.")},
      {txtResetNoBarrier, QStringLiteral("Reset pamięci blokad NIE został zlecony: brak połączenia z barierą.")},
      {txtOtherBarrier, QStringLiteral("To nie bariera nr %1.")},
      {txtSwapWriteNotDone, QStringLiteral("Zapis do nr %1 NIE został wykonany.")},
      {txtSwapWriteInterrupted, QStringLiteral("Zapis do nr %1 przerwany, mogła przyjąć jego część.")},
      {txtSwapResetNotDone, QStringLiteral("Reset pam. blokad nr %1 NIE został wykonany.")},
      {txtEditsSetAside, QStringLiteral("Niewysłane zmiany dla nr %1 odłożono.")},
      {txtRestoreEdits, QStringLiteral("Przywróć zmiany")},
      {txtSendForOtherBarrier, QStringLiteral("Wartości w edytorach przygotowano dla bariery nr %1, a podłączona "
                                              "jest bariera nr %2. Wysłać je do bariery nr %2?")},
      {txtFieldResponseTime, QStringLiteral("Czułość wiązki %1")},
      {txtFieldAutoBlockCount, QStringLiteral("Autoblok. wiązki %1")},
      {txtFieldResponseTimes, QStringLiteral("Czułość wiązek %1")},
      {txtFieldAutoBlockCounts, QStringLiteral("Autoblok. wiązek %1")},
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
                      "  history            zdarzenia z bazy historii, od najstarszych\n"
                      "  barriers           bariery znane bazie historii\n"
                      "  walktest           test uruchomieniowy: każda wiązka przerwana i wolna, styki sabotażowe\n"
                      "                     otwarte i zamknięte, wyjścia; wynik trafia do bazy historii\n"
                      "  report PLIK.pdf    protokół uruchomienia z ostatniego testu w bazie historii\n"
                      "  ports              porty szeregowe z opisem i stałymi nazwami\n"
                      "Zamiast PLIK.acc \"-\" to standardowe wejście (show, diff, write) albo wyjście (read).\n"
                      "Opis jednego polecenia: orvita-cli polecenie --help.\n"
                      "\n"
                      "Kod wyjścia: 0 wykonane; 1 bariera nie odpowiada albo odmówiła (diff: pliki się różnią;\n"
                      "walktest: nie wszystko zaliczone; report: brak testu w bazie historii); 2 błędne wywołanie,\n"
                      "brak portu albo plik (także standardowe wyjście), którego nie można odczytać lub zapisać;\n"
                      "3 nie można otworzyć portu. Przerwany sygnałem SIGINT (Ctrl+C), SIGTERM albo SIGHUP kończy\n"
                      "się po sprzątnięciu tym samym sygnałem (powłoka pokaże 128 + jego numer, 130 po Ctrl+C), a gdy\n"
                      "odbiorca wyjścia zniknie, cicho, jak po SIGPIPE (141).")},
      {txtCliCommandArgument,
       QStringLiteral("identify, read, write, reset, status, show, diff, history, barriers, walktest, report albo "
                      "ports.")},
      {txtCliCommandSyntax, QStringLiteral("polecenie [plik…]")},
      {txtCliOptionPort,
       QStringLiteral("Port bariery: nazwa w jądrze (ttyUSB0) albo ścieżka (/dev/serial/by-id/…); domyślnie port "
                      "zapisany przez program.")},
      {txtCliOptionPortValue, QStringLiteral("nazwa")},
      {txtCliOptionTimeout, QStringLiteral("Jak długo czekać na barierę, w sekundach (domyślnie %1).")},
      {txtCliOptionTimeoutValue, QStringLiteral("sekundy")},
      {txtCliOptionForce, QStringLiteral("write: zapisz także do bariery o innej liczbie wiązek niż w pliku.")},
      {txtCliOptionFollow, QStringLiteral("status: pokazuj stan po każdej zmianie, dopóki bariera odpowiada.")},
      {txtCliOptionJson,
       QStringLiteral("identify, status, show, history, barriers, walktest, ports: jeden obiekt JSON w wierszu.")},
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
      {txtCliBeamBlockMemory, QStringLiteral("w pamięci blokad")},
      {txtCliReservedByte, QStringLiteral("Bajt %1 (zarezerwowany)")},
      {txtCliHelpIdentify, QStringLiteral("Identyfikacja bariery: typ, wersja i data oprogramowania, liczba wiązek.")},
      {txtCliHelpRead, QStringLiteral("Odczyt konfiguracji z bariery do pliku PLIK.acc (32 bajty); \"-\" to "
                                      "standardowe wyjście.")},
      {txtCliHelpWrite,
       QStringLiteral("Zapis konfiguracji z pliku PLIK.acc do bariery i odczyt sprawdzający. Plik dla innej liczby "
                      "wiązek niż bariery jest odrzucany, chyba że podano --force. Przerwany (Ctrl+C) kończy "
                      "bieżący blok i mówi, co bariera zawiera. \"-\" to standardowe wejście.")},
      {txtCliHelpReset, QStringLiteral("Reset pamięci blokad bariery.")},
      {txtCliHelpStatus,
       QStringLiteral("Stan bariery: wiązki, wyjścia, styki sabotażowe, magistrala, LED, tryb rejestracji, "
                      "zasilanie. Z --follow nowy stan po każdej zmianie; kończy się, gdy odbiorca wyjścia "
                      "zniknie.")},
      {txtCliHelpShow, QStringLiteral("Konfiguracja zapisana w pliku PLIK.acc, słowami albo z --json jako obiekt "
                                      "JSON; \"-\" to standardowe wejście. Plik krótszy niż 32 bajty jest "
                                      "odrzucany (kod 2), dłuższy albo z liczbą wiązek spoza 2–8 pokazany po "
                                      "ostrzeżeniu.")},
      {txtCliHelpDiff,
       QStringLiteral("Pola, którymi różnią się pliki A.acc i B.acc (jeden z nich może być \"-\", standardowym "
                      "wejściem). Kod wyjścia 1, gdy się różnią, 0 gdy nie.")},
      {txtCliOptionReconnect,
       QStringLiteral("status --follow: gdy bariera zniknie, czekaj na nią i pokazuj dalej, zamiast kończyć; z "
                      "--json utrata i powrót to obiekty {\"event\": \"lost\"} i {\"event\": \"back\"}.")},
      {txtCliLost, QStringLiteral("Bariera na porcie %1 nie odpowiada; czekam, aż odpowie.")},
      {txtCliBack, QStringLiteral("Bariera na porcie %1 znów odpowiada.")},
      {txtCliOutputFailed, QStringLiteral("Nie można pisać na standardowe wyjście: %1.")},
      {txtCliNoPort, QStringLiteral("Nie podano portu i żaden nie jest zapamiętany: podaj go opcją --port "
                                    "(znalezione porty: %1).")},
      {txtCliNoPortsFound, QStringLiteral("brak")},
      {txtCliFileSize, QStringLiteral("Uwaga: plik ma %1 B, a plik konfiguracji ma 32 B.")},
      {txtCliFileBeamCount, QStringLiteral("Uwaga: liczba wiązek w pliku (%1) jest spoza zakresu 2–8.")},
      {txtCliStoppedUntouched, QStringLiteral("Przerwano (%1): konfiguracja bariery nie została zmieniona.")},
      {txtCliStoppedPartly,
       QStringLiteral("Przerwano (%1): bariera ma konfigurację zapisaną tylko w części (potwierdzone bajty %2).")},
      {txtCliStoppedUnchecked,
       QStringLiteral("Przerwano (%1): konfiguracja została zapisana w barierze, ale nie sprawdzona odczytem.")},
      {txtCliStopped, QStringLiteral("Przerwano (%1).")},
      {txtCliStoppedUnconfirmed,
       QStringLiteral("Przerwano (%1): bariera nie potwierdziła wysłanego bloku; jej konfiguracja mogła zostać "
                      "zmieniona w części.")},
      {txtCliHelpPorts,
       QStringLiteral("Porty szeregowe tego komputera, bez otwierania ich: nazwa w jądrze z opisem adaptera USB "
                      "(producent, produkt, numer seryjny, opóźnienie), a pod nią jego stałe nazwy "
                      "/dev/serial/by-id/…. Każdą z tych nazw przyjmuje --port.")},
      {txtCliNoSerialPorts, QStringLiteral("Nie znaleziono portów szeregowych.")},
      {txtCliUsage, QStringLiteral("Użycie: orvita-cli [opcje] %1")},
      {txtCliOptionsHeading, QStringLiteral("Opcje:")},
      {txtCliArgumentsHeading, QStringLiteral("Argumenty:")},
      {txtCliUnknownOption, QStringLiteral("Nieznana opcja \"%1\".")},
      {txtCliUnknownOptions, QStringLiteral("Nieznane opcje: %1.")},
      {txtCliMissingValue, QStringLiteral("Brak wartości po opcji %1.")},
      {txtCliUnexpectedValue, QStringLiteral("Opcja %1 nie przyjmuje wartości.")},
      {txtCliSinceAfterUntil,
       QStringLiteral("Początek zakresu (--since %1) jest późniejszy niż jego koniec (--until %2).")},
      {txtCliStdinTwice, QStringLiteral("Standardowe wejście (-) można podać tylko raz.")},
      {txtCliBinaryToTerminal, QStringLiteral("Konfiguracja to 32 bajty binarne, nie do czytania na terminalu: "
                                              "przekieruj standardowe wyjście do pliku albo potoku.")},
      {txtCliPortNotOpened, QStringLiteral("Nie można otworzyć portu %1: %2")},
      {txtCliFileNotFound, QStringLiteral("Nie ma takiego pliku")},
      {txtCliInvalidFilename, QStringLiteral("Nieprawidłowa nazwa pliku albo nie ma takiego folderu")},
      {txtCliFileAccessDenied, QStringLiteral("Brak dostępu do pliku")},
      {txtCliFileTooShort, QStringLiteral("Plik jest krótszy niż 32 bajty konfiguracji")},
      {txtCliDiskFull, QStringLiteral("Brak miejsca na dysku")},
      {txtCliTooManyOpenFiles, QStringLiteral("Za dużo otwartych plików")},
      {txtCliStandardInput, QStringLiteral("standardowe wejście")},

      {txtJournalCannotWrite,
       QStringLiteral("Nie można zapisywać bazy historii %1 (%2); program działa dalej bez niej.")},
      {txtJournalDamaged, QStringLiteral("Baza historii %1 była uszkodzona: odłożono ją jako %2 i założono nową.")},
      {txtJournalNewer, QStringLiteral("Baza historii %1 pochodzi z nowszej wersji programu i zostaje nietknięta; "
                                       "program działa dalej bez niej.")},
      {txtJournalLocked, QStringLiteral("Baza historii %1 jest zajęta przez inny program dłużej niż %2 s; program "
                                        "działa dalej bez niej.")},
      {txtJournalCannotRead, QStringLiteral("Nie można odczytać bazy historii %1: %2")},
      {txtCliBadWhen, QStringLiteral("Nieznany czas \"%1\": podaj datę (2026-12-08), datę i godzinę "
                                     "(2026-12-08T03:12), now, today, yesterday albo okres wstecz (30s, -1h, "
                                     "7d, 1w).")},
      {txtCliOptionBarrier, QStringLiteral("history, report: tylko bariera o tym numerze seryjnym nadajnika.")},
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

      {txtCliHelpHistory,
       QStringLiteral("Zdarzenia z bazy historii, od najstarszych. KIEDY: data (2026-12-08: od jej początku, z "
                      "--until do jej końca), data i godzina (2026-12-08T03:12, czas lokalny, o ile nie podano "
                      "strefy), now, today, yesterday (północ) albo okres wstecz (30s, 90m, -1h, 7d, 1w, "
                      "\"2 days ago\"), jak w journalctl.")},
      {txtCliHelpBarriers, QStringLiteral("Bariery znane bazie historii: numer seryjny nadajnika, wersja, "
                                          "pierwsze i ostatnie połączenie, liczba alarmów i sabotaży.")},
      {txtJournalNoFile, QStringLiteral("brak pliku")},
      {txtSerialNotSet, QStringLiteral("nie ustawiony")},
      {txtJournalTimeInvalid, QStringLiteral("nieprawidłowy czas")},
      {txtJournalNotPutAside, QStringLiteral("Baza historii %1 jest uszkodzona, ale nie można jej odłożyć (%2); "
                                             "program działa dalej bez niej.")},
      {txtJournalOffMark, QStringLiteral("Dziennik wyłączony")},
      {txtCliOptionSpreadsheet,
       QStringLiteral("history: zdarzenia jako CSV dla arkusza kalkulacyjnego (średniki, przecinki dziesiętne, "
                      "UTF-8 ze znacznikiem BOM).")},
      {txtCliJsonAndSpreadsheet, QStringLiteral("--json i --spreadsheet wykluczają się.")},
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
      {txtShowAll, QStringLiteral("&Wszystko")},
      {txtShowLastHour, QStringLiteral("Ostatnia &godzina")},
      {txtShowLastDay, QStringLiteral("Ostatnie &24 h")},
      {txtPreviousAlarm, QStringLiteral("◀ &Poprzedni alarm")},
      {txtNextAlarm, QStringLiteral("&Następny alarm ▶")},
      {txtZoomIn, QStringLiteral("+")},
      {txtZoomOut, QStringLiteral("−")},
      {txtZoomInTip, QStringLiteral("Powiększ (+, kółko myszy, zaznaczenie prawym przyciskiem)")},
      {txtZoomOutTip, QStringLiteral("Pomniejsz (−, kółko myszy)")},
      {txtLive, QStringLiteral("Na ż&ywo")},
      {txtLiveTip, QStringLiteral("Pokazuj na bieżąco podłączoną barierę")},
      {txtExportPng, QStringLiteral("&Obraz PNG…")},
      {txtExportCsv, QStringLiteral("Zdarzenia &CSV…")},
      {txtBarrierLabel, QStringLiteral("&Bariera:")},
      {txtBarrierEntry, QStringLiteral("nr %1, v.%2 (od %3 do %4)")},
      {txtBarrierNoSerial, QStringLiteral("bez numeru")},
      {txtTimelineSince, QStringLiteral("od %1")},
      {txtTimelineNothingSeen, QStringLiteral("brak zapisów")},
      {txtTimelineEmpty, QStringLiteral("Baza historii nie zawiera jeszcze żadnej bariery.")},
      {txtJournalUnavailable, QStringLiteral("Baza historii jest niedostępna: %1")},
      {txtSavePngTitle, QStringLiteral("Zapisz obraz historii")},
      {txtSaveCsvTitle, QStringLiteral("Zapisz zdarzenia z widocznego zakresu")},
      {txtPngFilter, QStringLiteral("Obraz PNG (*.png)")},
      {txtCsvFilter, QStringLiteral("Plik CSV (*.csv)")},
      {txtExportFailed, QStringLiteral("Nie można zapisać %1: %2")},
      {txtTimelineHelp, QStringLiteral("Kółko myszy lub +/−: powiększenie. Przeciąganie lub strzałki: przesuwanie. "
                                       "Prawy przycisk: zaznaczenie zakresu do powiększenia.")},
      {txtTimelineChanges, QStringLiteral("zmian w tym miejscu: %1")},
      {txtNoAlarm, QStringLiteral("Brak alarmu w tym kierunku.")},

      {txtWalkTestAction, QStringLiteral("Test uruchomieniowy…")},
      {txtPrintRecordAction, QStringLiteral("Drukuj protokół…")},
      {txtPrintConfigAction, QStringLiteral("Drukuj konfigurację…")},
      {txtWalkTestTitle, QStringLiteral("Test uruchomieniowy")},
      {txtRecordTitle, QStringLiteral("Protokół uruchomienia")},
      {txtItemTransmitterTamper, QStringLiteral("Styk sabotażowy nadajnika")},
      {txtItemReceiverTamper, QStringLiteral("Styk sabotażowy odbiornika")},
      {txtItemAlarmOutput, QStringLiteral("Wyjście alarmowe NC")},
      {txtItemTamperOutput, QStringLiteral("Wyjście sabotażowe TMP")},
      {txtOutcomePassed, QStringLiteral("pozytywny")},
      {txtOutcomeNotPassed, QStringLiteral("negatywny")},
      {txtOutcomeNotTested, QStringLiteral("nie testowano")},
      {txtOutcomeWaiting, QStringLiteral("oczekuje")},
      {txtOutcomeSeen, QStringLiteral("naruszenie")},
      {txtColumnItem, QStringLiteral("Element")},
      {txtColumnResult, QStringLiteral("Wynik")},
      {txtColumnSeen, QStringLiteral("Naruszenie")},
      {txtColumnCleared, QStringLiteral("Powrót")},
      {txtColumnAlarmOutput, QStringLiteral("Wyjście NC")},
      {txtYes, QStringLiteral("tak")},
      {txtNo, QStringLiteral("nie")},
      {txtWalkSupply, QStringLiteral("Napięcie zasilania w czasie testu: min. %1 V, maks. %2 V")},
      {txtWalkWarningsHeading, QStringLiteral("Uwagi z testu")},
      {txtWalkWarn50, QStringLiteral("Wiązki w stanie „%1”: %2 – osiowanie lub soczewki wymagają uwagi.")},
      {txtWalkWarnNar, QStringLiteral("Wiązki w stanie „nar.”: %1 – osiowanie lub soczewki wymagają uwagi.")},
      {txtWalkWarnLowSupply, QStringLiteral("Bariera zgłosiła za niskie napięcie zasilania.")},
      {txtWalkWarnLost, QStringLiteral("Utrata połączenia z barierą: %1")},
      {txtWalkNoWarnings, QStringLiteral("Brak uwag.")},
      {txtWalkInstruction, QStringLiteral("Przerwij każdą wiązkę i otwórz oba styki sabotażowe, w dowolnej "
                                          "kolejności. Każdy zaliczony element potwierdza sygnał dźwiękowy.")},
      {txtWalkNext, QStringLiteral("Następny: %1")},
      {txtWalkAllPassed, QStringLiteral("Wszystkie elementy zaliczone.")},
      {txtWalkFailed, QStringLiteral("Nie wszystkie elementy zaliczone.")},
      {txtWalkEnd, QStringLiteral("&Zakończ test")},
      {txtWalkRepeat, QStringLiteral("&Powtórz test")},
      {txtWalkRecord, QStringLiteral("P&rotokół…")},
      {txtWalkPlan, QStringLiteral("Porównaj z pl&anem…")},
      {txtWalkNeedsBarrier, QStringLiteral("Test czeka na połączenie z barierą.")},
      {txtWalkReadingConfig, QStringLiteral("Odczyt konfiguracji bariery…")},
      {txtWalkPlanSame, QStringLiteral("Konfiguracja bariery zgodna z planem %1.")},
      {txtWalkPlanDiffers, QStringLiteral("Różnice względem planu %1 (bariera -> plan):")},
      {txtWalkTime, QStringLiteral("Test od %1 do %2")},
      {txtWalkPass50, QStringLiteral("50%")},
      {txtRecordSite, QStringLiteral("Obiekt")},
      {txtRecordTechnician, QStringLiteral("Technik")},
      {txtRecordRemark, QStringLiteral("Uwagi")},
      {txtRecordDate, QStringLiteral("Data wydruku")},
      {txtRecordBarrier, QStringLiteral("Bariera")},
      {txtRecordIdentification, QStringLiteral("Identyfikacja")},
      {txtRecordAdapter, QStringLiteral("Adapter")},
      {txtRecordConfiguration, QStringLiteral("Konfiguracja")},
      {txtRecordNoWalkTest, QStringLiteral("Test uruchomieniowy nie został wykonany.")},
      {txtRecordDayBeforeTest, QStringLiteral("24 godziny przed testem według bazy historii")},
      {txtRecordAlarmsOfBeam, QStringLiteral("Alarmy, wiązka %1")},
      {txtRecordTamperEvents, QStringLiteral("Sabotaże")},
      {txtRecordConnectionLosses, QStringLiteral("Utraty połączenia")},
      {txtRecordNothingInJournal, QStringLiteral("Baza historii nie zawiera zdarzeń z tego okresu.")},
      {txtRecordTechnicianSignature, QStringLiteral("Technik (data, czytelny podpis)")},
      {txtRecordClient, QStringLiteral("Klient (data, czytelny podpis)")},
      {txtRecordPage, QStringLiteral("Strona %1 z %2")},
      {txtRecordResultPassed, QStringLiteral("Wynik testu: POZYTYWNY")},
      {txtRecordResultFailed, QStringLiteral("Wynik testu: NEGATYWNY")},
      {txtRecordFormTitle, QStringLiteral("Dane do protokołu")},
      {txtConfigSheetTitle, QStringLiteral("Konfiguracja bariery")},
      {txtConfigFromBarrier, QStringLiteral("odczytana z bariery %1")},
      {txtRecordPlan, QStringLiteral("Plan konfiguracji")},
      {txtRecordWriteFailed, QStringLiteral("Nie można zapisać pliku %1: %2")},
      {txtPdfFilter, QStringLiteral("Dokumenty PDF (*.pdf)")},
      {txtPrint, QStringLiteral("Drukuj…")},
      {txtSavePdf, QStringLiteral("Zapisz PDF…")},
      {txtConfigSource, QStringLiteral("Źródło")},
      {txtCliWalkPassed, QStringLiteral("Zaliczone: %1 (%2)")},
      {txtCliWalkResult, QStringLiteral("Wynik testu: %1")},
      {txtCliNoWalkTest, QStringLiteral("Baza historii nie zawiera testu uruchomieniowego: najpierw wykonaj test "
                                        "(orvita-cli walktest albo Serwis, Test uruchomieniowy… w programie).")},
      {txtCliOptionSite, QStringLiteral("report: obiekt, na którym pracuje bariera.")},
      {txtCliOptionTechnician, QStringLiteral("report: technik, który uruchomił barierę.")},
      {txtCliOptionRemark, QStringLiteral("report: uwagi do protokołu.")},
      {txtCliOptionPlan,
       QStringLiteral("report: plik .acc z planowaną konfiguracją, porównywany z konfiguracją z testu.")},
      {txtCliOptionTextValue, QStringLiteral("tekst")},
      {txtCliOptionFileValue, QStringLiteral("plik")},
      {txtCliWalkLost, QStringLiteral("Utracono połączenie z barierą; test trwa dalej po jej powrocie.")},
      {txtCliWalkTimeout,
       QStringLiteral("walktest: jak długo czekać na kolejne zaliczenie, w sekundach (domyślnie %1).")},
      {txtCliHelpWalkTest,
       QStringLiteral("Test uruchomieniowy: każda wiązka przerwana i wolna, styki sabotażowe otwarte i zamknięte, "
                      "wyjścia. Kończy się, gdy wszystko zaliczone albo gdy kolejne zaliczenie nie przyjdzie w "
                      "czasie --timeout; wynik trafia do bazy historii. Kod wyjścia 1, gdy nie wszystko zaliczone.")},
      {txtCliHelpReport,
       QStringLiteral("Protokół uruchomienia (PDF) z ostatniego testu uruchomieniowego w bazie historii (z --barrier: "
                      "ostatniego testu tej bariery). Kod wyjścia 1, gdy baza historii nie ma takiego testu.")},
      {txtRecordFooter, QStringLiteral("Numer seryjny nadajnika %1 – test %2")},
      {txtRecordNoTest, QStringLiteral("nie wykonany")},
      {txtRecordTestDate, QStringLiteral("Data testu")},
      {txtRecordTestRunningSince, QStringLiteral("od %1, test w toku")},
      {txtRecordResultRunning, QStringLiteral("Stan: test w toku")},
      {txtWalkTimeRunning, QStringLiteral("Test od %1 – test w toku, stan na %2")},
      {txtRecordDayBeforePrint, QStringLiteral("24 godziny przed wydrukiem według bazy historii")},
      {txtRecordDaySpan, QStringLiteral("Od %1 do %2.")},
      {txtRecordDayWithoutTest,
       QStringLiteral("Przerwania wiązek, otwarcia styków i utraty połączenia z czasu testu są "
                      "w tabeli testu, nie tutaj.")},
      {txtConfigFromEditors, QStringLiteral("z edytorów programu; konfiguracja nie została odczytana z bariery")},
      {txtConfigFromEditorsFile,
       QStringLiteral("z edytorów programu (otwarty plik %1); konfiguracja nie została odczytana z bariery")},
      {txtConfigUnsentNote, QStringLiteral("* Niewysłane: edytory programu mają tu inną wartość, której bariera nie ma "
                                           "(bariera -> edytory):")},
      {txtCliNoWalkTestOf, QStringLiteral("Baza historii nie zawiera testu uruchomieniowego bariery o numerze "
                                          "seryjnym nadajnika %1.")},
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

      {txtCmdVersion, QStringLiteral("version")},
      {txtCmdData, QStringLiteral("data")},
      {txtCmdWrite, QStringLiteral("write")},
      {txtCmdStatus, QStringLiteral("status")},
      {txtCmdWrite2, QStringLiteral("write2")},
      {txtCmdData2, QStringLiteral("data2")},
      {txtCmdReset, QStringLiteral("reset")},
      {txtWordsAskVersion, QStringLiteral("pytanie o wersję")},
      {txtWordsVersion, QStringLiteral("liczba wiązek %1, wersja %2 z %3")},
      {txtWordsAskRead, QStringLiteral("odczyt konfiguracji od bajtu %1")},
      {txtWordsWriting, QStringLiteral("zapis: %1")},
      {txtWordsWriteDone, QStringLiteral("zapis potwierdzony")},
      {txtWordsAskStatus, QStringLiteral("pytanie o stan")},
      {txtWordsAskReset, QStringLiteral("kasowanie pamięci blokad")},
      {txtWordsResetDone, QStringLiteral("pamięć blokad skasowana")},
      {txtWordsAlarmMode, QStringLiteral("alarmowanie: %1")},
      {txtWordsResponse, QStringLiteral("czułość %1 ms")},
      {txtWordsOff, QStringLiteral("wył.")},
      {txtWordsSerial, QStringLiteral("nadajnik nr %1")},
      {txtWordsMaxCovered, QStringLiteral("maks. czas zasł. %1 min.")},
      {txtWordsAutoBlockTime, QStringLiteral("czas zliczania %1 s")},
      {txtWordsAutoBlockCounts, QStringLiteral("autoblok. %1")},
      {txtWordsSupply, QStringLiteral("zasilanie %1 V")},
      {txtWordsBeamCovered, QStringLiteral("wiązka %1 zasłonięta")},
      {txtWordsBeamsCovered, QStringLiteral("wiązki %1 zasłonięte")},
      {txtWordsBeamAlert, QStringLiteral("alarm wiązki %1")},
      {txtWordsBeamsAlert, QStringLiteral("alarm wiązek %1")},
      {txtWordsBeam50, QStringLiteral("wiązka %1 na 50%")},
      {txtWordsBeams50, QStringLiteral("wiązki %1 na 50%")},
      {txtWordsBeamNar, QStringLiteral("wiązka %1 nar.")},
      {txtWordsBeamsNar, QStringLiteral("wiązki %1 nar.")},
      {txtWordsBeamBlocked, QStringLiteral("wiązka %1 zablokowana")},
      {txtWordsBeamsBlocked, QStringLiteral("wiązki %1 zablokowane")},
      {txtWordsBeamMemory, QStringLiteral("wiązka %1 w pamięci blokad")},
      {txtWordsBeamsMemory, QStringLiteral("wiązki %1 w pamięci blokad")},
      {txtWordsBeamsNormal, QStringLiteral("wiązki w normie")},
      {txtWordsDiag, QStringLiteral("diagnostyka wiązek %1")},
      {txtWordsShort, QStringLiteral("za krótka, by ją odczytać")},

      {txtMonitorItem, QStringLiteral("Monitor transmisji…")},
      {txtMonitorTitle, QStringLiteral("Monitor transmisji")},
      {txtMonitorColTime, QStringLiteral("Czas")},
      {txtMonitorColGap, QStringLiteral("Odstęp [ms]")},
      {txtMonitorColDirection, QStringLiteral("Kierunek")},
      {txtMonitorColCommand, QStringLiteral("Polecenie")},
      {txtMonitorColWords, QStringLiteral("Znaczenie")},
      {txtMonitorColBytes, QStringLiteral("Bajty")},
      {txtToBarrier, QStringLiteral("→ bariera")},
      {txtFromBarrier, QStringLiteral("← bariera")},
      {txtRowNoReply, QStringLiteral("brak odpowiedzi przed następnym pytaniem")},
      {txtRowBadCheck, QStringLiteral(", w ramce %1")},
      {txtRowCut, QStringLiteral("ramka ucięta, w jej miejscu zaczyna się następna")},
      {txtRowPortOpened, QStringLiteral("port %1 otwarty")},
      {txtRowPortClosed, QStringLiteral("port zamknięty")},
      {txtRowSkippedOne, QStringLiteral("pominięto %1 bajt: brak początku ramki")},
      {txtRowSkippedFew, QStringLiteral("pominięto %1 bajty: brak początku ramki")},
      {txtRowSkippedMany, QStringLiteral("pominięto %1 bajtów: brak początku ramki")},
      {txtRowTooLong, QStringLiteral("Za długa ramka: %1 (0x%2)")},
      {txtRowLate, QStringLiteral("spóźniona odpowiedź, %1 ms po pytaniu: %2")},
      {txtRowDoubled, QStringLiteral("podwójna odpowiedź: %1")},
      {txtCmdWordsVersion, QStringLiteral("wersja")},
      {txtCmdWordsData, QStringLiteral("odczyt")},
      {txtCmdWordsWrite, QStringLiteral("zapis")},
      {txtCmdWordsStatus, QStringLiteral("stan")},
      {txtCmdWordsWrite2, QStringLiteral("zapis 2")},
      {txtCmdWordsData2, QStringLiteral("odczyt 2")},
      {txtCmdWordsReset, QStringLiteral("kasowanie")},
      {txtMonitorSaveName, QStringLiteral("monitor transmisji %1.txt")},
      {txtNoData, QStringLiteral("brak danych")},
      {txtTimelineDuration, QStringLiteral("czas trwania: %1")},
      {txtDurationMs, QStringLiteral("%1 ms")},
      {txtDurationSeconds, QStringLiteral("%1 s")},
      {txtDurationMinutes, QStringLiteral("%1 min %2 s")},
      {txtDurationHours, QStringLiteral("%1 h %2 min")},
      {txtDurationDays, QStringLiteral("%1 d %2 h")},
      {txtMarkerConfigWritten, QStringLiteral("zapis konfiguracji potwierdzony")},
      {txtMarkerWriteDropped, QStringLiteral("zapis konfiguracji niedokończony: %1")},
      {txtMarkerReset, QStringLiteral("kasowanie pamięci blokad")},
      {txtMarkerFileOpened, QStringLiteral("otwarto plik %1")},
      {txtMarkerFileSaved, QStringLiteral("zapisano plik %1")},
      {txtMarkerWalkTest, QStringLiteral("test uruchomieniowy: %1")},
      {txtCauseTransmitterContact, QStringLiteral("styk nadajnika")},
      {txtCauseReceiverContact, QStringLiteral("styk odbiornika")},
      {txtCauseBus, QStringLiteral("magistrala")},
      {txtCauseCoveredTooLong, QStringLiteral("zbyt długo zasłonięte")},
      {txtLegendSet, QStringLiteral("włączone")},
      {txtLegendClear, QStringLiteral("w spoczynku")},
      {txtLegendWrite, QStringLiteral("zapis konfiguracji")},
      {txtLegendReset, QStringLiteral("kasowanie blokad")},
      {txtLegendFile, QStringLiteral("plik")},
      {txtLegendWalkTest, QStringLiteral("test uruchomieniowy")},
      {txtPictureTitle, QStringLiteral("Bariera %1   %2 – %3")},
      {txtHistoryFileName, QStringLiteral("historia nr %1 %2 do %3")},
      {txtAlarmShown, QStringLiteral("Alarm %1 z %2: od %3, %4")},
      {txtAlarmGoesOn, QStringLiteral("trwa do końca zapisu")},
      {txtBarrierShort, QStringLiteral("nr %1, wer. %2")},
      {txtMonitorPause, QStringLiteral("&Wstrzymaj")},
      {txtMonitorFilterAll, QStringLiteral("wszystko")},
      {txtMonitorFilterNoPoll, QStringLiteral("bez odpytywania stanu")},
      {txtMonitorFilterErrors, QStringLiteral("tylko błędy")},
      {txtMonitorFilterCommand, QStringLiteral("tylko %1 (%2)")},
      {txtMonitorSearch, QStringLiteral("Szukaj")},
      {txtMonitorCopy, QStringLiteral("&Kopiuj")},
      {txtMonitorSave, QStringLiteral("&Zapisz…")},
      {txtMonitorSummary,
       QStringLiteral("Odpytywanie: %1/s z %2/s możliwych przy %3 bit/s   Czas odpowiedzi bariery: mediana %6 ms, "
                      "95%: %7 ms\nBrak odpowiedzi: %4   Spóźnione: %8   Podwójne: %9   Uszkodzone ramki: %5")},
      {txtMonitorNoAnswers, QStringLiteral("–")},
      {txtMonitorSaveTitle, QStringLiteral("Zapisz zapis transmisji")},
      {txtMonitorSaveFilter, QStringLiteral("Pliki tekstowe (*.txt);;Wszystkie pliki (*)")},
      {txtMonitorSaveFailed, QStringLiteral("Nie można zapisać pliku %1: %2")},
      {txtMonitorLogTip, QStringLiteral("Gdy „log” jest zaznaczony, wiersze trafiają też do pliku %1")},
      {txtMonitorAdapterLatency, QStringLiteral("   Opóźnienie adaptera: %1 ms")},
      {txtMonitorLatencyAdvice,
       QStringLiteral(
           "Adapter przetrzymuje odebrane bajty do %1 ms. Na stałe obniża to reguła udev (do skopiowania):")},
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

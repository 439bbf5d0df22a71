#pragma once
// The program's one table of user-visible texts, keyed by number.
// 65232..65295 are the texts the window and picture were designed with;
// 65300 and up hold the log, dialog, port-diagnosis, port-list and
// command-line texts added since.
#include <QString>
#include <vector>

namespace UiTexts {

enum Id : int {
  txtSabotage = 65232,     // "Sabotaż"
  txtSupply = 65233,       // "Zasilanie: "
  txtVolt = 65234,         // " V"
  txtMs = 65235,           // " ms"
  txtBeamOff = 65236,      // "wyłączona"
  txtNoAutoBlock = 65237,  // "bez"
  txtCaption = 65238,      // "Orvita"
  txtStatuses = 65239,     // "Statusy"
  txtSave = 65248,
  txtSaveAs = 65249,
  txtEnd = 65250,
  txtCommunication = 65251,
  txtResetBlocks = 65252,
  txtConfiguration = 65253,
  txtRs232 = 65254,
  txtHelp = 65255,
  txtAbout = 65256,
  txtNoConnection = 65257,  // " Brak połączenia."
  txtOrvitaIdent = 65258,   // " ORVITA "
  txtOpened = 65259,        // " opened"
  txtClosed = 65260,        // " closed"
  txtOutputNcOk = 65261,
  txtAlarm = 65262,
  txtOutputTmpOk = 65263,
  txtSensitivity = 65264,  // grid header "Czułość"
  txtAutoBlock = 65265,    // grid header "Autoblok."
  txtAlarming = 65266,     // radio group caption
  txtOneBeam = 65267,
  txtTwoBeams = 65268,
  txtBeamParameters = 65269,
  txtAutoBlockTime = 65270,
  txtSeconds = 65271,
  txtMinutes = 65272,
  txtMaxCoveredTime = 65273,
  txtTransmitterSerial = 65274,
  txtRead = 65275,              // "Pobierz"
  txtSend = 65276,              // "Wyślij"
  txtResetBlockMemory = 65277,  // "Reset pam. blokad"
  txtFile = 65278,
  txtOpen = 65279,
  txtHintBlocked = 65282,
  txtHintBlockMemory = 65283,
  txtHintCoveredTooLong = 65284,
  txtHintBusTamper = 65285,
  txtHintBusOk = 65286,
  txtHintReceiverTamper = 65287,
  txtHintTransmitterTamper = 65288,
  txtHintLowSupply = 65289,
  txtHintRegistration = 65290,
  txtHintLedOn = 65291,
  txtHintLedOff = 65292,
  txtProgramTitle = 65293,   // two lines, split by a carriage return
  txtVersionPrefix = 65294,  // "wer."
  txtBeam = 65295,           // grid header "Wiązka"

  // Event log lines.
  txtLogTooLong = 65300,         // "Za długa ramka: "
  txtLogBadCrc = 65301,          // "Bad CRC: "
  txtLogBuf = 65302,             // "  buf: "
  txtLogUnknownCommand = 65303,  // "Nieznane polecenie: "
  txtLogBadBeamCount = 65304,    // "Zła ilość wiązek: "
  txtLogTimer = 65305,           // "TIMR, buf: "
  txtLogAskVer = 65306,
  txtLogAskData = 65307,
  txtLogAskWrite = 65308,
  txtLogAskWrite2 = 65309,
  txtLogAskData2 = 65310,
  txtLogAskRes = 65311,
  txtLogWriteOk = 65312,      // "askWrite  OK"
  txtLogWrite2Ok = 65313,     // "askWrite2 OK"
  txtLogBeamsNar = 65314,     // "Stan wiązek (nar.): "
  txtLogBlocked = 65315,      // "Stan blokad: "
  txtLogBlockMemory = 65316,  // "Stan pam. blokad:"
  txtLogBeams50 = 65317,      // "Stan wiązek (50%): "
  txtLogBeamsAlarm = 65318,   // "Stan wiązek alarm: "
  txtLogStatus = 65319,       // "Status"
  txtLogShortReply = 65320,   // "Za krótka odpowiedź: "

  // Log panel.
  txtLogBox = 65330,         // "log"
  txtStopBox = 65331,        // "stop"
  txtLogBoxTip = 65332,      // "Pliki dziennika:"
  txtLogFileFailed = 65470,  // %1 file, %2 why (the system's message): a log file cannot be written

  // Port settings dialog.
  txtPortSettings = 65340,  // "Port Settings"
  txtBaudRate = 65341,
  txtDataSize = 65342,
  txtStopBits = 65343,
  txtParity = 65344,
  txtDtrSignal = 65345,
  txtRtsSignal = 65346,
  txtOk = 65347,         // "O&K"
  txtPortLabel = 65348,  // "Port RS-232 :"
  txt6Bits = 65349,
  txt7Bits = 65350,
  txt8Bits = 65351,
  txt1StopBit = 65352,
  txt15StopBits = 65353,  // "1.5 " (with its blank)
  txt2StopBits = 65354,
  txtParityNone = 65355,
  txtParityOdd = 65356,
  txtParityEven = 65357,
  txtParityMark = 65358,
  txtParitySpace = 65359,

  // Why a port could not be opened (status bar tooltip).
  txtPortNoDevice = 65370,
  txtPortNoPermission = 65371,  // %1 device, %2 group
  txtPortRelogin = 65372,       // %1 group
  txtPortAddToGroup = 65373,    // %1 group
  txtPortInUse = 65374,
  txtPortNotTerminal = 65375,
  txtPortOtherError = 65376,         // %1 system message
  txtPortChangePermissions = 65472,  // %1 device, %2 its permissions as ls -l shows them
  // The same advice for orvita-cli, where there is no menu.
  txtPortNoDeviceShell = 65377,
  txtPortInUseShell = 65378,
  txtPortNotTerminalShell = 65379,
  // Network ports (socket://, rfc2217://): a refused name, why a connection failed or closed.
  txtNetBadAddress = 66200,  // %1 the name given, %2 what is wrong (one of the five below)
  txtNetNoPortNumber = 66201,
  txtNetBadPortNumber = 66202,
  txtNetUnknownScheme = 66203,  // %1 the scheme given
  txtNetEmptyHost = 66204,
  txtNetBadHost = 66205,       // %1 the host given
  txtNetNameNotFound = 66210,  // %1 in each: the far end as host:port
  txtNetRefused = 66211,
  txtNetUnreachable = 66212,
  txtNetTimedOut = 66213,
  txtNetClosedByFarEnd = 66214,
  txtNetComPortRefused = 66215,
  txtNetInUse = 66216,
  txtNetOtherError = 66217,  // %2 the system's message

  // Configuration file errors, as the error box shows them (a full stop is added there).
  txtFileNotFound = 65380,      // "File not found"
  txtInvalidFilename = 65381,   // "Invalid filename"
  txtFileAccessDenied = 65382,  // "File access denied"
  txtReadBeyondEnd = 65383,     // "Read beyond end of file"
  txtDiskFull = 65384,          // "Disk full"
  txtTooManyOpenFiles = 65385,  // "Too many open files"
  // Any other failure shows the system's own message.
  txtNotRegularFile = 65471,  // a pipe, a device, a folder or a link where a file was expected
  txtForeignLink = 65386,     // saving through another user's link in a shared folder
  txtDanglingLink = 65387,    // saving through a link to a file that does not exist

  // What the user must know of a send, a reset or a reconnection: the
  // notice under the identification bar.
  txtNoticeAbout = 65395,        // %1 the barrier (txtBarrierNumbered), %2 the port, %3 the notice
  txtBarrierNumbered = 65838,    // %1 the serial number: a notice's barrier
  txtWriteNotDone = 65390,       // %1 the fields a send interrupted by a loss did not leave in the barrier
  txtWriteNotConfirmed = 65393,  // %1 the fields whose read-back differs from what was sent
  txtWriteCompleted = 65846,     // a send confirmed after one that did not complete
  txtEditsKept = 65391,          // a reconnection read kept unsent edits
  txtResetNotDone = 65394,       // a pending block-memory reset dropped with the lost barrier
  txtResetNoBarrier = 65480,     // a block-memory reset asked for while no barrier is identified
  // Another barrier answers than the one the pending work was for; %1 that one's number.
  txtOtherBarrier = 65839,
  txtSwapWriteNotDone = 65840,      // no block of the send went out
  txtSwapWriteInterrupted = 65841,  // some did
  txtSwapResetNotDone = 65842,
  txtEditsSetAside = 65843,         // %1 the barrier the edits were for
  txtRestoreEdits = 65844,          // the notice's button that takes them back
  txtSendForOtherBarrier = 65845,   // %1 the barrier the edits were for, %2 the one connected; a question
  txtFieldResponseTime = 65398,     // %1 the beam
  txtFieldAutoBlockCount = 65399,   // %1 the beam
  txtFieldResponseTimes = 65847,    // %1 the beams ("1, 3–5")
  txtFieldAutoBlockCounts = 65848,  // %1 the beams
  txtFileBeamCountDiffers = 65481,  // %1 the file's count, %2 the barrier's
  txtFileBeamCountInvalid = 65482,  // %1 the file's byte 31
  txtSendOtherBeamCount = 65483,    // %1 the configuration's count, %2 the barrier's; a question
  txtCloseNotice = 65484,           // the notice's close button

  // The command line tool, orvita-cli.
  txtCliDescription = 65400,  // --help: what it does, the commands, the exit statuses
  txtCliCommandArgument = 65401,
  txtCliCommandSyntax = 65402,
  txtCliOptionPort = 65403,
  txtCliOptionPortValue = 65404,
  txtCliOptionTimeout = 65405,  // %1 the default
  txtCliOptionTimeoutValue = 65406,
  txtCliOptionForce = 65407,
  txtCliOptionFollow = 65408,
  txtCliOptionJson = 65409,
  txtCliSeeHelp = 65410,            // ends every usage error, in place of its full stop
  txtCliNoCommand = 65411,          // "Brak polecenia."
  txtCliUnknownCommand = 65412,     // %1 the command
  txtCliSyntax = 65413,             // %1 the command with its arguments
  txtCliOptionNotFor = 65414,       // %1 the option, %2 the command
  txtCliBadTimeout = 65415,         // %1 as given
  txtCliNoAnswer = 65416,           // %1 the port
  txtCliWriteInterrupted = 65417,   // %1 the port
  txtCliBeamCountMismatch = 65418,  // %1 the file's count, %2 the barrier's
  txtCliVerifyFailed = 65419,       // %1 the configuration byte indexes
  txtCliBeamCount = 65420,          // "Liczba wiązek"
  txtCliBeamNormal = 65421,
  txtCliBeamNar = 65422,
  txtCliBeam50 = 65423,
  txtCliBeamAlert = 65424,
  txtCliBeamBlocked = 65425,
  txtCliBeamBlockMemory = 65426,
  txtCliReservedByte = 65427,  // %1 the byte index
  // Each command's own --help: what it does.
  txtCliHelpIdentify = 65428,
  txtCliHelpRead = 65429,
  txtCliHelpWrite = 65430,
  txtCliHelpReset = 65431,
  txtCliHelpStatus = 65432,
  txtCliHelpShow = 65433,
  txtCliHelpDiff = 65434,
  txtCliOptionReconnect = 65435,
  txtCliLost = 65436,          // %1 the port; status --follow --reconnect waits
  txtCliBack = 65437,          // %1 the port; and goes on
  txtCliOutputFailed = 65438,  // %1 the system's message
  txtCliNoPort = 65439,        // %1 the ports found, or txtCliNoPortsFound
  txtCliNoPortsFound = 65490,
  txtCliFileSize = 65491,            // %1 the size in bytes
  txtCliFileBeamCount = 65492,       // %1 byte 31
  txtCliStoppedUntouched = 65493,    // %1 the signal's name; the barrier's configuration is as it was
  txtCliStoppedPartly = 65494,       // %1 the signal's name, %2 the byte indexes the barrier confirmed
  txtCliStoppedUnchecked = 65495,    // %1 the signal's name
  txtCliStopped = 65496,             // %1 the signal's name; any other command
  txtCliStoppedUnconfirmed = 65497,  // %1 the signal's name; a block sent, none confirmed
  // orvita-cli for scripts: 66000..66099.
  txtCliHelpPorts = 66000,
  txtCliNoSerialPorts = 66001,
  txtCliUsage = 66002,  // %1 what follows the program's name
  txtCliOptionsHeading = 66003,
  txtCliArgumentsHeading = 66004,
  txtCliUnknownOption = 66005,    // %1 the option without its dashes
  txtCliUnknownOptions = 66006,   // %1 the options, comma-separated
  txtCliMissingValue = 66007,     // %1 the option as given
  txtCliUnexpectedValue = 66008,  // %1 the option as given
  txtCliSinceAfterUntil = 66009,  // %1 --since, %2 --until, as given
  txtCliStdinTwice = 66010,
  txtCliBinaryToTerminal = 66011,
  txtCliPortNotOpened = 66012,  // %1 the port, %2 why
  txtCliFileNotFound = 66013,
  txtCliInvalidFilename = 66014,
  txtCliFileAccessDenied = 66015,
  txtCliFileTooShort = 66016,
  txtCliDiskFull = 66017,
  txtCliTooManyOpenFiles = 66018,
  txtCliStandardInput = 66019,  // "-" in place of a file's name

  // What the port list tells of a device.
  txtPortListEntry = 65440,   // %1 name, %2 description
  txtPortUsbSerial = 65441,   // %1 manufacturer and product, %2 serial number
  txtPortUsbIds = 65442,      // %1 vendor id, %2 product id
  txtPortNotPresent = 65443,  // a chosen port the system does not have now
  txtPortLatency = 65444,     // %1 the description, %2 the adapter's latency timer in ms

  // The command line and start-up messages.
  txtProgramSummary = 65450,  // --help's description
  txtHelpOption = 65451,
  txtVersionOption = 65452,
  txtPortOption = 65453,
  txtPortOptionValue = 65454,     // the value's name in --help
  txtUnexpectedArgument = 65455,  // %1 the argument
  txtNotAPortName = 65456,        // %1 the name given
  txtNoDisplay = 65457,           // neither DISPLAY nor WAYLAND_DISPLAY is set
  txtFileArgument = 65460,        // the file argument's name in --help
  txtFileArgumentHelp = 65461,
  txtFileArgumentSyntax = 65462,    // the file argument in --help's usage line
  txtDisplayUnusable = 65463,       // %1 why, one or more of the reasons below joined by "; "
  txtWaylandPluginMissing = 65464,  // %1 WAYLAND_DISPLAY
  txtWaylandRefused = 65465,        // %1 WAYLAND_DISPLAY
  txtX11Refused = 65466,            // %1 DISPLAY
  txtX11NotSet = 65467,             // xcb asked for without DISPLAY
  txtPlatformUnusable = 65468,      // %1 the Qt platform plugin asked for

  // The "Serwis" menu and the journal's timeline window, "Historia".
  txtServiceMenu = 65500,
  txtHistoryItem = 65501,
  txtHistoryCaption = 65502,
  txtLaneAlarmOutput = 65503,
  txtLaneTamperOutput = 65504,
  txtLaneTamperContacts = 65505,
  txtLaneLowSupply = 65506,
  txtLaneRegistration = 65507,
  txtLaneSupply = 65508,
  txtTimelineNotConnected = 65509,  // "brak połączenia": shaded time and the hover
  txtTimelineDateFormat = 65510,    // QLocale date format of the axis's dates
  txtShowAll = 65511,
  txtShowLastHour = 65512,
  txtShowLastDay = 65513,
  txtPreviousAlarm = 65514,
  txtNextAlarm = 65515,
  txtZoomIn = 65516,
  txtZoomOut = 65517,
  txtZoomInTip = 65518,
  txtZoomOutTip = 65519,
  txtLive = 65520,
  txtLiveTip = 65521,
  txtExportPng = 65522,
  txtExportCsv = 65523,
  txtBarrierLabel = 65524,
  txtBarrierEntry = 65525,  // %1 serial, %2 version, %3 first seen, %4 last seen
  txtBarrierNoSerial = 65526,
  txtTimelineSince = 65527,        // %1 when the state shown began
  txtTimelineNothingSeen = 65528,  // the hover before the first record or past the last
  txtTimelineEmpty = 65529,
  txtJournalUnavailable = 65530,  // %1 why
  txtSavePngTitle = 65531,
  txtSaveCsvTitle = 65532,
  txtPngFilter = 65533,
  txtCsvFilter = 65534,
  txtExportFailed = 65535,  // %1 file, %2 why
  txtTimelineHelp = 65536,
  txtTimelineChanges = 65537,  // %1 how many changes the pixel column holds
  txtNoAlarm = 65538,

  // The journal (the history database) and what orvita-cli reads from it.
  txtJournalCannotWrite = 65600,  // %1 the file, %2 the reason
  txtJournalDamaged = 65601,      // %1 the file, %2 where it was put aside
  txtJournalNewer = 65602,        // %1 the file
  txtJournalLocked = 65603,       // %1 the file, %2 seconds
  txtJournalCannotRead = 65604,   // %1 the file, %2 the reason
  txtCliBadWhen = 65605,          // %1 the value given
  txtCliOptionBarrier = 65606,
  txtCliOptionSince = 65607,
  txtCliOptionUntil = 65608,
  txtCliOptionCsv = 65609,
  txtCliOptionWhenValue = 65610,
  txtCliOptionSerialValue = 65611,
  txtCliJsonAndCsv = 65612,
  txtCliBadSerial = 65613,    // %1 the value given
  txtCliBarrierLine = 65614,  // %1 serial, %2 beams, %3 version, %4 %5 first and last seen, %6..%8 counts
  txtCliNoBarriers = 65615,
  txtCliHelpHistory = 65616,
  txtCliHelpBarriers = 65617,
  txtJournalNoFile = 65618,  // the reason a journal cannot be read: it is not there
  // What the journal records and exports, and what it tells of itself.
  txtSerialNotSet = 65900,        // a transmitter serial number of 0
  txtJournalTimeInvalid = 65901,  // a stored time outside what can be shown
  txtJournalNotPutAside = 65902,  // %1 the file, %2 why it could not be renamed
  txtJournalOffMark = 65903,      // the status bar's mark while the journal is off
  txtCliOptionSpreadsheet = 65904,
  txtCliJsonAndSpreadsheet = 65905,
  // What a frame on the line means, as the traffic monitor words it.
  txtCmdVersion = 65800,  // the commands' names: "version" ... "reset"
  txtCmdData = 65801,
  txtCmdWrite = 65802,
  txtCmdStatus = 65803,
  txtCmdWrite2 = 65804,
  txtCmdData2 = 65805,
  txtCmdReset = 65806,
  txtWordsAskVersion = 65807,
  txtWordsVersion = 65808,  // %1 beam count, %2 version, %3 date
  txtWordsAskRead = 65809,  // %1 the first configuration byte
  txtWordsWriting = 65810,  // %1 the values written
  txtWordsWriteDone = 65811,
  txtWordsAskStatus = 65812,
  txtWordsAskReset = 65813,
  txtWordsResetDone = 65814,
  txtWordsAlarmMode = 65815,        // %1 one beam / two beams
  txtWordsResponse = 65816,         // %1 the beams' times
  txtWordsOff = 65817,              // a beam switched off, in a list
  txtWordsSerial = 65818,           // %1 the number
  txtWordsMaxCovered = 65819,       // %1 minutes
  txtWordsAutoBlockTime = 65820,    // %1 seconds
  txtWordsAutoBlockCounts = 65821,  // %1 the beams' counts
  txtWordsSupply = 65822,           // %1 volts
  txtWordsBeamCovered = 65823,      // %1 one beam; the next of each pair: %1 several
  txtWordsBeamsCovered = 65824,
  txtWordsBeamAlert = 65825,
  txtWordsBeamsAlert = 65826,
  txtWordsBeam50 = 65827,
  txtWordsBeams50 = 65828,
  txtWordsBeamNar = 65829,
  txtWordsBeamsNar = 65830,
  txtWordsBeamBlocked = 65831,
  txtWordsBeamsBlocked = 65832,
  txtWordsBeamMemory = 65833,
  txtWordsBeamsMemory = 65834,
  txtWordsBeamsNormal = 65835,
  txtWordsDiag = 65836,   // %1 the beams
  txtWordsShort = 65837,  // a reply too short to read

  // The traffic monitor window.
  txtMonitorItem = 65851,   // "Monitor transmisji…"
  txtMonitorTitle = 65852,  // "Monitor transmisji"
  txtMonitorColTime = 65853,
  txtMonitorColGap = 65854,
  txtMonitorColDirection = 65855,
  txtMonitorColCommand = 65856,
  txtMonitorColWords = 65857,
  txtMonitorColBytes = 65858,
  txtToBarrier = 65859,    // "→ bariera"
  txtFromBarrier = 65860,  // "← bariera"
  txtRowNoReply = 65861,
  txtRowBadCheck = 65863,  // %1 the check byte the frame holds
  txtRowCut = 65864,
  txtRowPortOpened = 65865,  // %1 the port
  txtRowPortClosed = 65866,
  txtMonitorPause = 65867,
  txtMonitorFilterAll = 65868,
  txtMonitorFilterNoPoll = 65869,
  txtMonitorFilterErrors = 65870,
  txtMonitorFilterCommand = 65871,  // %1 the command's name
  txtMonitorSearch = 65872,
  txtMonitorCopy = 65873,
  txtMonitorSave = 65874,
  txtMonitorSummary = 65875,    // %1 polls/s, %2 the line's limit, %3 bit/s, %4 missing, %5 damaged, %6 %7 ms
  txtMonitorNoAnswers = 65876,  // the answer times while there are none
  txtMonitorSaveTitle = 65877,
  txtMonitorSaveFilter = 65878,
  txtMonitorSaveFailed = 65879,      // %1 the file, %2 why
  txtMonitorLogTip = 65880,          // %1 the file written while "log" is ticked
  txtMonitorAdapterLatency = 65881,  // %1 the adapter's latency timer in ms
  txtMonitorLatencyAdvice = 65882,   // %1 the latency timer; the udev rule follows
  txtRowSkippedOne = 66100,          // %1 how many bytes, as Polish counts them: 1
  txtRowSkippedFew = 66101,          // 2-4, 22-24, ...
  txtRowSkippedMany = 66102,         // 0, 5-21, 25-31, ...
  txtRowTooLong = 66103,             // %1 the length byte in decimal, %2 in hex
  txtRowLate = 66104,                // %1 ms since its own request, %2 the reply in words
  txtRowDoubled = 66105,             // %1 the reply in words
  txtCmdWordsVersion = 66106,        // the commands in Polish, as the monitor lists them
  txtCmdWordsData = 66107,
  txtCmdWordsWrite = 66108,
  txtCmdWordsStatus = 66109,
  txtCmdWordsWrite2 = 66110,
  txtCmdWordsData2 = 66111,
  txtCmdWordsReset = 66112,
  txtMonitorSaveName = 66113,  // the file name a save suggests; %1 the date and time
  // "Historia": the legend, the hover, the markers, the exports.
  txtNoData = 66120,
  txtTimelineDuration = 66121,  // %1 how long the state lasted
  txtDurationMs = 66122,        // %1 milliseconds
  txtDurationSeconds = 66123,   // %1 seconds with a tenth
  txtDurationMinutes = 66124,   // %1 minutes, %2 seconds
  txtDurationHours = 66125,     // %1 hours, %2 minutes
  txtDurationDays = 66126,      // %1 days, %2 hours
  txtMarkerConfigWritten = 66127,
  txtMarkerWriteDropped = 66128,  // %1 the notice shown
  txtMarkerReset = 66129,
  txtMarkerFileOpened = 66130,  // %1 the file
  txtMarkerFileSaved = 66131,   // %1 the file
  txtMarkerWalkTest = 66132,    // %1 its result
  txtCauseTransmitterContact = 66133,
  txtCauseReceiverContact = 66134,
  txtCauseBus = 66135,
  txtCauseCoveredTooLong = 66136,
  txtLegendSet = 66137,  // a flag lane filled
  txtLegendClear = 66138,
  txtLegendWrite = 66139,
  txtLegendReset = 66140,
  txtLegendFile = 66141,
  txtLegendWalkTest = 66142,
  txtPictureTitle = 66143,     // %1 the barrier, %2 %3 the range shown
  txtHistoryFileName = 66144,  // %1 the serial number, %2 %3 the range shown; the extension follows
  txtAlarmShown = 66145,       // %1 which, %2 of how many, %3 when it began, %4 how long
  txtAlarmGoesOn = 66146,      // the duration of an alarm still on at the journal's end
  txtBarrierShort = 66147,     // %1 serial, %2 version

  // Commissioning: the walk test, its record and the printed configuration.
  txtWalkTestAction = 65701,     // "Test uruchomieniowy…"
  txtPrintRecordAction = 65702,  // "Drukuj protokół…"
  txtPrintConfigAction = 65703,  // "Drukuj konfigurację…"
  txtWalkTestTitle = 65704,      // "Test uruchomieniowy"
  txtRecordTitle = 65705,        // "Protokół uruchomienia"
  txtItemTransmitterTamper = 65706,
  txtItemReceiverTamper = 65707,
  txtItemAlarmOutput = 65708,
  txtItemTamperOutput = 65709,
  txtOutcomePassed = 65710,
  txtOutcomeNotPassed = 65711,
  txtOutcomeNotTested = 65712,
  txtOutcomeWaiting = 65713,  // still to be walked
  txtOutcomeSeen = 65714,     // interrupted or open now, waiting to clear
  txtColumnItem = 65715,
  txtColumnResult = 65716,
  txtColumnSeen = 65717,     // when the beam was interrupted, the contact opened
  txtColumnCleared = 65718,  // when it was clear or closed again
  txtColumnAlarmOutput = 65719,
  txtYes = 65720,
  txtNo = 65721,
  txtWalkSupply = 65722,  // %1 lowest, %2 highest volts
  txtWalkWarningsHeading = 65723,
  txtWalkWarn50 = 65724,   // %1 the beams
  txtWalkWarnNar = 65725,  // %1 the beams
  txtWalkWarnLowSupply = 65726,
  txtWalkWarnLost = 65727,  // %1 the time
  txtWalkNoWarnings = 65728,
  txtWalkInstruction = 65729,
  txtWalkNext = 65730,  // %1 the item
  txtWalkAllPassed = 65731,
  txtWalkFailed = 65732,
  txtWalkEnd = 65733,
  txtWalkRepeat = 65734,
  txtWalkRecord = 65735,
  txtWalkPlan = 65736,
  txtWalkNeedsBarrier = 65737,
  txtWalkReadingConfig = 65738,
  txtWalkPlanSame = 65739,     // %1 the file
  txtWalkPlanDiffers = 65740,  // %1 the file
  txtWalkTime = 65741,         // %1 start, %2 end
  txtWalkPass50 = 65742,       // "50 %", as a beam's warning names it
  txtRecordSite = 65750,
  txtRecordTechnician = 65751,
  txtRecordRemark = 65752,
  txtRecordDate = 65753,
  txtRecordBarrier = 65754,
  txtRecordIdentification = 65755,
  txtRecordAdapter = 65756,
  txtRecordConfiguration = 65757,
  txtRecordNoWalkTest = 65758,
  txtRecordDayBeforeTest = 65759,
  txtRecordAlarmsOfBeam = 65760,  // %1 the beam
  txtRecordTamperEvents = 65761,
  txtRecordConnectionLosses = 65762,
  txtRecordNothingInJournal = 65763,
  txtRecordTechnicianSignature = 65764,
  txtRecordClient = 65765,
  txtRecordPage = 65766,  // %1 the page, %2 the pages
  txtRecordResultPassed = 65767,
  txtRecordResultFailed = 65768,
  txtRecordFormTitle = 65769,
  txtConfigSheetTitle = 65770,
  txtConfigFromBarrier = 65771,  // %1 the identification
  txtRecordPlan = 65773,
  txtRecordWriteFailed = 65774,  // %1 the file, %2 why
  txtPdfFilter = 65775,
  txtPrint = 65776,
  txtSavePdf = 65777,
  txtConfigSource = 65778,
  txtCliWalkPassed = 65780,  // %1 the item, %2 the time
  txtCliWalkResult = 65781,  // %1 "pozytywny" or "negatywny"
  txtCliNoWalkTest = 65782,
  txtCliOptionSite = 65783,
  txtCliOptionTechnician = 65784,
  txtCliOptionRemark = 65785,
  txtCliOptionPlan = 65786,
  txtCliOptionTextValue = 65787,
  txtCliOptionFileValue = 65788,
  txtCliWalkLost = 65789,
  txtCliWalkTimeout = 65790,  // the walk test's own time-out; %1 its default
  txtCliHelpWalkTest = 65791,
  txtCliHelpReport = 65792,
  // What the record and the configuration sheet say of their own sources.
  txtRecordFooter = 65950,            // %1 the serial number, %2 the test's date
  txtRecordNoTest = 65951,            // the footer's test date when no test was made
  txtRecordTestDate = 65952,          // caption
  txtRecordTestRunningSince = 65953,  // %1 the start
  txtRecordResultRunning = 65954,     // the badge of a test still running
  txtWalkTimeRunning = 65956,         // %1 start, %2 the moment printed
  txtRecordDayBeforePrint = 65957,
  txtRecordDaySpan = 65958,  // %1 from, %2 until
  txtRecordDayWithoutTest = 65959,
  txtConfigFromEditors = 65960,
  txtConfigFromEditorsFile = 65961,  // %1 the file open in the editors
  txtConfigUnsentNote = 65962,
  txtCliNoWalkTestOf = 65963,  // %1 the serial number
};

// The text of `id`; an empty text for an id the table does not hold.
const QString& uiText(Id id);

// Ids the table lists more than once (one text would silently hide the
// other); empty when the table is sound.
std::vector<int> duplicateIds();

}  // namespace UiTexts

using UiTexts::uiText;

       IDENTIFICATION DIVISION.
       PROGRAM-ID. UTILS.
      *> The data utilities as an application calls them: the SCR_
      *> wrappers, their BRASKO- aliases, an SKR_ entry directly, and
      *> the message table.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  TXT                         PIC X(12) VALUE "Mixed Case 1".
       01  LEN                         PIC S9(4) COMP-5 VALUE 12.
       01  SHORT-LEN                   PIC S9(4) COMP-5 VALUE -5.
       01  BITS                        PIC X(8) VALUE "10000001".
       01  ONE-BYTE                    PIC X.
       01  BYTE-NUM REDEFINES ONE-BYTE PIC X COMP-X.
       01  SHOW-BYTE                   PIC 999.
       01  COUNTRY-CODE                PIC S9(4) COMP-5.
       01  COUNTRY-INFO.
           05  CI-DATE-ORDER           PIC S9(4) COMP-5.
           05  CI-CURRENCY             PIC X.
           05  FILLER                  PIC X(4).
           05  CI-THOUSANDS            PIC X.
           05  FILLER                  PIC X.
           05  CI-DECIMAL              PIC X.
           05  FILLER                  PIC X.
           05  CI-DATE-SEP             PIC X.
           05  FILLER                  PIC X.
           05  CI-TIME-SEP             PIC X.
           05  FILLER                  PIC X(20).
       01  VAR-NAME                    PIC X(20).
       01  VAR-VALUE                   PIC X(10).
       01  GUARD                       PIC X(8) VALUE "GUARDOK!".
       01  MSG-NUMBER                  PIC S9(4) COMP-5.
       01  MSG-TEXT                    PIC X(80).
       01  LOG-LINE                    PIC X(221).
       01  SHOW-NUM                    PIC -(5)9.
       PROCEDURE DIVISION.
           CALL "BRASKO-UP-CASE" USING TXT LEN
           DISPLAY "upper [" TXT "]"
           CALL "SCR_CASL" USING TXT SHORT-LEN
           DISPLAY "lower5 [" TXT "]"
           CALL "BRASKO-BITS-TO-BYTE" USING ONE-BYTE BITS
           MOVE BYTE-NUM TO SHOW-BYTE
           DISPLAY "bits to byte " SHOW-BYTE
           MOVE 129 TO BYTE-NUM
           CALL "BRASKO-BYTE-TO-BITS" USING ONE-BYTE BITS
           INSPECT BITS REPLACING ALL X"00" BY "0" ALL X"01" BY "1"
           DISPLAY "byte to bits " BITS
           MOVE 6 TO BYTE-NUM
           MOVE X"0000000000000101" TO BITS
           CALL "SKR_BIBY" USING ONE-BYTE BITS
           MOVE BYTE-NUM TO SHOW-BYTE
           DISPLAY "SKR_BIBY " SHOW-BYTE
           CALL "SCR_CDI" USING COUNTRY-CODE COUNTRY-INFO
           MOVE CI-DATE-ORDER TO SHOW-NUM
           DISPLAY "country order" SHOW-NUM " currency " CI-CURRENCY
                   " thousands " CI-THOUSANDS " decimal " CI-DECIMAL
                   " date " CI-DATE-SEP " time " CI-TIME-SEP
           STRING "KV_UTILS_VALUE" X"00" DELIMITED BY SIZE
                  INTO VAR-NAME
           CALL "SCR_ENVG" USING VAR-NAME VAR-VALUE
           DISPLAY "env [" VAR-VALUE "] guard " GUARD
           MOVE 102 TO MSG-NUMBER
           CALL "SCRMSG" USING MSG-NUMBER MSG-TEXT
           DISPLAY "msg102 " MSG-TEXT(1:63)
           MOVE 17 TO MSG-NUMBER
           CALL "SCRMSG" USING MSG-NUMBER MSG-TEXT
           DISPLAY "msg17 " FUNCTION TRIM(MSG-TEXT TRAILING)
           CALL "BRASKO-SOUND" USING MSG-NUMBER MSG-NUMBER
           MOVE "UTILS      1.0.001                  |line from COBOL"
             TO LOG-LINE
           CALL "SCR_LOG" USING LOG-LINE
           IF LOG-LINE = SPACES
               DISPLAY "log line cleared"
           END-IF
           STOP RUN.

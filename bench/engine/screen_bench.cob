       IDENTIFICATION DIVISION.
       PROGRAM-ID. SCRBNCH.
      *> The benchmark screen of bench_panel.h as a GnuCOBOL SCREEN
      *> SECTION: title, rules, 40 labels, 40 fields (30 numeric through
      *> an edited picture like mask 3, 10 text) and the menu line, shown
      *> with DISPLAY KVB_SCREENS times with changing values (after one
      *> DISPLAY that clears the screen in the panel's background).  Writes the
      *> nanoseconds of the DISPLAY loop on standard error.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  SCREENS                 PIC 9(6) VALUE 1000.
       01  ENV-VALUE               PIC X(10).
       01  K                       PIC 9(6) COMP-5.
       01  N                       PIC 99 COMP-5.
       01  T0                      PIC S9(18) COMP-5.
       01  T1                      PIC S9(18) COMP-5.
       01  ELAPSED                 PIC 9(18).
       01  WORK-NUM                PIC 9(9).
       01  N-TEXT                  PIC 99.
       01  K-TEXT                  PIC 999.
       01  VALUES-AREA.
           05  NUM-VALUE           PIC S9(7)V99 OCCURS 40.
           05  TXT-VALUE           PIC X(10) OCCURS 40.
       SCREEN SECTION.
      *> The screen is cleared once; later DISPLAYs rewrite the items
      *> and leave the terminal library to send only what changed.
       01  CLEAR-SCREEN BACKGROUND-COLOR 1 FOREGROUND-COLOR 7.
           05  BLANK SCREEN.
       01  BENCH-SCREEN BACKGROUND-COLOR 1 FOREGROUND-COLOR 7.
           05  LINE 1 COL 1 VALUE "  Benchmark panel: forty fields"
               FOREGROUND-COLOR 6 HIGHLIGHT.
           05  LINE 1 COL 67 VALUE "Order Entry" FOREGROUND-COLOR 6
               HIGHLIGHT.
           05  LINE 2 COL 1 PIC X(80) FROM ALL "-".
           COPY "screen_fields.cpy".
           05  LINE 23 COL 1 PIC X(80) FROM ALL "-".
           05  LINE 25 COL 1 BACKGROUND-COLOR 3 FOREGROUND-COLOR 0
               VALUE "F1=Help  F2=List  F3=Exit  F5=Save  F10=Menu      "
      -        "                              ".
       PROCEDURE DIVISION.
           ACCEPT ENV-VALUE FROM ENVIRONMENT "KVB_SCREENS"
           IF ENV-VALUE NOT = SPACES
               MOVE FUNCTION NUMVAL(ENV-VALUE) TO SCREENS
           END-IF
           CALL "KVB_NANOTIME" USING T0
           DISPLAY CLEAR-SCREEN
           PERFORM VARYING K FROM 1 BY 1 UNTIL K > SCREENS
               PERFORM VARYING N FROM 1 BY 1 UNTIL N > 40
                   COMPUTE WORK-NUM =
                       FUNCTION MOD(K * 7919 + N * 104729, 1000000000)
                   COMPUTE NUM-VALUE(N) = WORK-NUM / 100
                   MOVE N TO N-TEXT
                   COMPUTE K-TEXT = FUNCTION MOD(K, 1000)
                   STRING "ITEM" N-TEXT "-" K-TEXT
                       DELIMITED BY SIZE INTO TXT-VALUE(N)
               END-PERFORM
               DISPLAY BENCH-SCREEN
           END-PERFORM
           CALL "KVB_NANOTIME" USING T1
           COMPUTE ELAPSED = T1 - T0
           DISPLAY "cobol " SCREENS " " ELAPSED UPON SYSERR
           STOP RUN.

       IDENTIFICATION DIVISION.
       PROGRAM-ID. ENGTEST.
      *> Drives the ENTRY panel (and WINDOW over it) for the engine's
      *> end-to-end tests.  The first call is set up from environment
      *> variables; the program then calls the panel again after every
      *> return until F3 (61), showing what each call gave back.
      *>   ENG_REPAINT  PANEL-REPAINT-SCREEN of the first call
      *>   ENG_FLAGS    PANEL-FIELD-PAINT of fields 1-10 (space: none)
      *>   ENG_CURSOR   PANEL-CURSOR-FIELD (3 digits)
      *>   ENG_MSG      PANEL-DISPLAY-OPTION (3 digits)
      *>   ENG_OPTIONS  runtime option letters (function 2)
      *>   ENG_FILL     empty-field fill character (function 10)
      *>   ENG_SUBST    substitute for Esc (3 digits)
      *>   ENG_WINDOW   "Y": F10 shows the WINDOW panel over ENTRY
      *>   ENG_BREAK    spoils an area: BASE9, STATIC, FIELD, VALDATA,
      *>                PREDISPLAY (an exit that does not exist);
      *>                or names an exit: STARS (predisplay on Code),
      *>                ARROWX (arrow exit)
      *>   ENG_BIG      "Y": the 80 x 43 panel BIG first
      *>   ENG_TIMEOUT  "Y": F5 after 5 seconds (function 12)
      *>   ENG_FLOPPY   "Y": floppy line 1 for Alt (function 8)
      *>   ENG_SHOWROW  after each call, show this screen row (function 4)
      *>   ENG_CLOSE    global close value (3 digits)
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       COPY "KVFUNC.CPY".
       COPY "ENTRY.CPY".
       COPY "WINDOW.CPY".
       COPY "BIG.CPY".
       01  TIMEOUTS.
           05  TO-ON                   PIC X VALUE "Y".
           05  TO-COUNTDOWN            PIC X VALUE "N".
           05  TO-WARN                 PIC S9(4) COMP-5 VALUE 0.
           05  TO-SECONDS              PIC S9(4) COMP-5 VALUE 5.
           05  TO-CHAR                 PIC S9(4) COMP-5 VALUE 0.
           05  TO-EXT                  PIC S9(4) COMP-5 VALUE 63.
           05  TO-REPEAT               PIC S9(4) COMP-5 VALUE 0.
           05  TO-REP-CHAR             PIC S9(4) COMP-5 VALUE 0.
           05  TO-REP-EXT              PIC S9(4) COMP-5 VALUE 0.
       01  FLOPPY.
           05  FLOPPY-TAG              PIC X(4) VALUE SPACES.
           05  FLOPPY-FLAGS            PIC X(4) VALUE "YNNN".
           05  FLOPPY-LINE-1           PIC X(80)
               VALUE "Alt-F1=Details  Alt-F4=Quit".
           05  FLOPPY-LINES            PIC X(240) VALUE SPACES.
       01  SHOW-ROW                    PIC 99 VALUE 0.
       01  ENV-VALUE                   PIC X(20).
       01  CALLS                       PIC 99 VALUE 0.
       01  I                           PIC 99.
       01  FLAGS                       PIC X(10).
       01  SHOW-KEY                    PIC -(5)9.
       01  SHOW-3                      PIC 999.
       01  SHOW-SCAN                   PIC 999.
       01  SHOW-2                      PIC 99.
       01  MISC-BLOCK.
           05  MISC-BYTES              PIC X(15) VALUE LOW-VALUES.
           05  MISC-PARK-ROW           PIC S9(4) COMP-5 VALUE 0.
           05  FILLER                  PIC X VALUE LOW-VALUE.
           05  MISC-PASTE              PIC S9(4) COMP-5 VALUE 0.
       PROCEDURE DIVISION.
           MOVE "Engine test" TO KV-INIT-TITLE
      *>   DOS Alt-key handling: F10 and the Alt keys reach the panel.
           MOVE "1" TO KV-INIT-ALT-KEY
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_CLOSE"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:3) TO SHOW-3
               MOVE SHOW-3 TO KV-INIT-CLOSE-VALUE
           END-IF
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED OMITTED OMITTED

           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_OPTIONS"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE TO KV-RUNTIME-OPTIONS
               MOVE 2 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION KV-RUNTIME-OPTIONS
                                     OMITTED OMITTED
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_FILL"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:1) TO MISC-BYTES(2:1)
               MOVE 10 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION MISC-BLOCK
                                     OMITTED OMITTED
           END-IF

           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_TIMEOUT"
           IF ENV-VALUE(1:1) = "Y"
               MOVE 12 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION TIMEOUTS
                                     OMITTED OMITTED
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_FLOPPY"
           IF ENV-VALUE(1:1) = "Y"
               MOVE 8 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION FLOPPY
                                     OMITTED OMITTED
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_SHOWROW"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:2) TO SHOW-ROW
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_BIG"
           IF ENV-VALUE(1:1) = "Y"
               CALL "KORVEXAN" USING BIG-PANEL BIG-PASS-TO-EXIT
                                     BIG-WORK-S BIG-WORK-D
               MOVE BIG-EXIT-KEY TO SHOW-KEY
               DISPLAY "big exit " SHOW-KEY " line [" BIG-LINE "]"
           END-IF

           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_REPAINT"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:1) TO ENT-REPAINT-SCREEN
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_FLAGS"
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 10
               IF ENV-VALUE(I:1) NOT = SPACE
                   MOVE ENV-VALUE(I:1) TO ENT-FIELD-PAINT(I)
               END-IF
           END-PERFORM
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_CURSOR"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:3) TO SHOW-3
               MOVE SHOW-3 TO ENT-CURSOR-FIELD
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_MSG"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:3) TO SHOW-3
               MOVE SHOW-3 TO ENT-DISPLAY-OPTION
               MOVE "A message from the application"
                 TO ENT-MENU-MSG
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_SUBST"
           IF ENV-VALUE NOT = SPACES
               MOVE ENV-VALUE(1:3) TO SHOW-3
               MOVE SHOW-3 TO ENT-SUBST-ESC
           END-IF
           MOVE SPACES TO ENV-VALUE
           ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_BREAK"
           EVALUATE ENV-VALUE
             WHEN "BASE9"
               MOVE 9 TO ENT-BASE-COLOR
             WHEN "STATIC"
               MOVE X"1A" TO ENT-WORK-S(21:1)
             WHEN "FIELD"
               MOVE X"1E" TO ENT-WORK-D(17:1)
             WHEN "VALDATA"
               MOVE X"09" TO ENT-WORK-D(178:1)
             WHEN "PREDISPLAY"
               MOVE "NOSUCH" TO ENT-PRE-EXIT-NAME
               MOVE X"08" TO ENT-WORK-D(25:1)
             WHEN "STARS"
               MOVE "STARS" TO ENT-PRE-EXIT-NAME
               MOVE X"08" TO ENT-WORK-D(41:1)
               MOVE "XYZ" TO ENT-CODE
             WHEN "ARROWX"
               MOVE "ARROWX" TO ENT-ARROW-EXIT-NAME
               MOVE "0" TO ENT-PASS-TO-EXIT
           END-EVALUATE
           MOVE "Ada" TO ENT-PERSON
           MOVE 12.50 TO ENT-PRICE
           MOVE "Open" TO ENT-TOTAL

           PERFORM UNTIL CALLS > 8
               ADD 1 TO CALLS
               CALL "KORVEXAN" USING ENT-PANEL ENT-PASS-TO-EXIT
                                     ENT-WORK-S ENT-WORK-D
               PERFORM SHOW-RESULT
               IF ENT-EXIT-KEY = 61 OR 104
                   EXIT PERFORM
               END-IF
               ACCEPT ENV-VALUE FROM ENVIRONMENT "ENG_WINDOW"
               IF ENT-EXIT-KEY = 68 AND ENV-VALUE(1:1) = "Y"
                   CALL "KORVEXAN" USING WIN-PANEL WIN-PASS-TO-EXIT
                                         WIN-WORK-S WIN-WORK-D
                   MOVE WIN-EXIT-KEY TO SHOW-KEY
                   MOVE WIN-OFFSET-ROW TO SHOW-3
                   DISPLAY "window exit " SHOW-KEY " answer ["
                           WIN-ANSWER "] offset " SHOW-3 WITH NO
                           ADVANCING
                   MOVE WIN-OFFSET-COL TO SHOW-3
                   DISPLAY " " SHOW-3
               END-IF
           END-PERFORM
           MOVE 15 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-UNUSED OMITTED OMITTED
           STOP RUN.

       SHOW-RESULT.
           MOVE ENT-EXIT-KEY TO SHOW-KEY
           MOVE ENT-CURSOR-FIELD TO SHOW-3
           DISPLAY "exit " SHOW-KEY " field " SHOW-3 WITH NO ADVANCING
           MOVE ENT-CURSOR-OFFSET TO SHOW-3
           COMPUTE SHOW-SCAN = FUNCTION ORD(ENT-SCAN-CODE) - 1
           DISPLAY " offset " SHOW-3 " scan " SHOW-SCAN WITH NO
                   ADVANCING
           MOVE ENT-CURSOR-ROW TO SHOW-2
           DISPLAY " at " SHOW-2 WITH NO ADVANCING
           MOVE ENT-CURSOR-COL TO SHOW-2
           DISPLAY "," SHOW-2 " repaint " ENT-REPAINT-SCREEN
           DISPLAY "data [" ENT-USER-FIELDS "]"
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 10
               MOVE ENT-FIELD-PAINT(I) TO FLAGS(I:1)
           END-PERFORM
           INSPECT FLAGS REPLACING ALL LOW-VALUE BY "."
           DISPLAY "flags [" FLAGS "] pass [" ENT-PASS-TO-EXIT "]"
           IF SHOW-ROW > 0
               MOVE 4 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                     OMITTED OMITTED
               DISPLAY "row [" KV-SAVE-CELLS((SHOW-ROW - 1) * 80 + 1:80)
                       "]"
           END-IF.

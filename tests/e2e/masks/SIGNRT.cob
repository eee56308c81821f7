       IDENTIFICATION DIVISION.
       PROGRAM-ID. SIGNRT.
      *> Signed and unsigned DISPLAY items written by this program go
      *> through the mask conversion with the stub constants KORVEXAN
      *> sends (GnuCOBOL's sign convention).  The screen text must equal
      *> COBOL's own editing of the item, and the text converted back
      *> must give the item's bytes again.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  STUB                PIC X(20) VALUE "G     0!0)1 010910  ".
       01  MASK-REC            PIC X(82).
       01  WIDTH               PIC S9(4) COMP-5.
       01  DIR                 PIC X.
       01  VAL-BUF             PIC X(160).
       01  DSP-BUF             PIC X(160).
       01  RC                  PIC S9(4) COMP-5.
       01  SHOW-RC             PIC Z9.
       01  MASK-TEXT           PIC X(30).
       01  ORIG                PIC X(19).
       01  ORIG-LEN            PIC 99.
       01  ZEROS-TEXT          PIC X(19).
       01  EXPECT-DSP          PIC X(30).
       01  CASE-NAME           PIC X(6).
       01  VERDICT             PIC X(4).
       01  PASSES              PIC 9(3) VALUE 0.
       01  FAILS               PIC 9(3) VALUE 0.
       01  I                   PIC 99.
       01  SAMPLE-VALUES.
           05  FILLER PIC S9(18) VALUE 0.
           05  FILLER PIC S9(18) VALUE 1.
           05  FILLER PIC S9(18) VALUE -1.
           05  FILLER PIC S9(18) VALUE -7.
           05  FILLER PIC S9(18) VALUE 40.
           05  FILLER PIC S9(18) VALUE -1230.
           05  FILLER PIC S9(18) VALUE 12345678.
           05  FILLER PIC S9(18) VALUE -987654321.
           05  FILLER PIC S9(18) VALUE 999999999999999999.
           05  FILLER PIC S9(18) VALUE -100000000000000009.
       01  SAMPLE-TABLE REDEFINES SAMPLE-VALUES.
           05  SAMPLE PIC S9(18) OCCURS 10.
       01  S1                  PIC S9.
       01  S1X REDEFINES S1    PIC X(1).
       01  S4                  PIC S9(4).
       01  S4X REDEFINES S4    PIC X(4).
       01  S9N                 PIC S9(9).
       01  S9X REDEFINES S9N   PIC X(9).
       01  S18                 PIC S9(18).
       01  S18X REDEFINES S18  PIC X(18).
       01  U5                  PIC 9(5).
       01  U5X REDEFINES U5    PIC X(5).
       01  D7                  PIC S9(5)V99.
       01  D7X REDEFINES D7    PIC X(7).
       01  C6                  PIC S9(4)V99.
       01  C6X REDEFINES C6    PIC X(6).
       01  E1                  PIC 9-.
       01  E4                  PIC ZZZ9-.
       01  E9                  PIC Z(8)9-.
       01  E18                 PIC Z(17)9-.
       01  EU5                 PIC ZZZZ9.
       01  ED7                 PIC ZZ,ZZ9.99-.
       01  EC6                 PIC $$,$$9.99-.
       PROCEDURE DIVISION.
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 10
               MOVE SAMPLE(I) TO S1 E1
               MOVE "S9"      TO CASE-NAME
               MOVE S1X TO ORIG MOVE 1 TO ORIG-LEN
               MOVE "9-" TO MASK-TEXT MOVE 2 TO WIDTH
               MOVE E1 TO EXPECT-DSP
               PERFORM CHECK-ONE

               MOVE SAMPLE(I) TO S4 E4
               MOVE "S9(4)"   TO CASE-NAME
               MOVE S4X TO ORIG MOVE 4 TO ORIG-LEN
               MOVE "ZZZ9-" TO MASK-TEXT MOVE 5 TO WIDTH
               MOVE E4 TO EXPECT-DSP
               PERFORM CHECK-ONE

               MOVE SAMPLE(I) TO S9N E9
               MOVE "S9(9)"   TO CASE-NAME
               MOVE S9X TO ORIG MOVE 9 TO ORIG-LEN
               MOVE "ZZZZZZZZ9-" TO MASK-TEXT MOVE 10 TO WIDTH
               MOVE E9 TO EXPECT-DSP
               PERFORM CHECK-ONE

               MOVE SAMPLE(I) TO S18 E18
               MOVE "S9(18)"  TO CASE-NAME
               MOVE S18X TO ORIG MOVE 18 TO ORIG-LEN
               MOVE "ZZZZZZZZZZZZZZZZZ9-" TO MASK-TEXT
               MOVE 19 TO WIDTH
               MOVE E18 TO EXPECT-DSP
               PERFORM CHECK-ONE

               MOVE SAMPLE(I) TO U5 EU5
               MOVE "9(5)"    TO CASE-NAME
               MOVE U5X TO ORIG MOVE 5 TO ORIG-LEN
               MOVE "ZZZZ9" TO MASK-TEXT MOVE 5 TO WIDTH
               MOVE EU5 TO EXPECT-DSP
               PERFORM CHECK-ONE

               MOVE SAMPLE(I) TO D7
               COMPUTE D7 = D7 / 8
               MOVE D7 TO ED7
               MOVE "S9V99"   TO CASE-NAME
               MOVE D7X TO ORIG MOVE 7 TO ORIG-LEN
               MOVE "ZZ,ZZ9.99-" TO MASK-TEXT MOVE 10 TO WIDTH
               MOVE ED7 TO EXPECT-DSP
               PERFORM CHECK-ONE

               MOVE SAMPLE(I) TO C6
               COMPUTE C6 = C6 / 16
               MOVE C6 TO EC6
               MOVE "$9V99"   TO CASE-NAME
               MOVE C6X TO ORIG MOVE 6 TO ORIG-LEN
               MOVE "$$,$$9.99-" TO MASK-TEXT MOVE 10 TO WIDTH
               MOVE EC6 TO EXPECT-DSP
               PERFORM CHECK-ONE
           END-PERFORM
           DISPLAY "masks: " PASSES " passed, " FAILS " failed"
           IF FAILS > 0
               MOVE 1 TO RETURN-CODE
           END-IF
           STOP RUN.

       CHECK-ONE.
           MOVE SPACES TO MASK-REC
           MOVE "N" TO MASK-REC(1:1)
           STRING MASK-TEXT DELIMITED BY SPACE
                  X"DD" DELIMITED BY SIZE INTO MASK-REC(3:80)
           MOVE "PASS" TO VERDICT
      *>   To the screen: COBOL's own editing of the same item.
           MOVE SPACES TO VAL-BUF
           MOVE ORIG(1:ORIG-LEN) TO VAL-BUF(1:ORIG-LEN)
           MOVE ALL "#" TO DSP-BUF
           MOVE "D" TO DIR
           CALL "MASKTEST" USING MASK-REC WIDTH DIR VAL-BUF DSP-BUF
                                 RC STUB
           IF RC NOT = 0
              OR DSP-BUF(1:WIDTH) NOT = EXPECT-DSP(1:WIDTH)
              OR DSP-BUF(WIDTH + 1:1) NOT = "#"
               MOVE "FAIL" TO VERDICT
           END-IF
      *>   And back: the item's bytes, sign digit included.
           MOVE ALL "#" TO VAL-BUF
           MOVE "U" TO DIR
           CALL "MASKTEST" USING MASK-REC WIDTH DIR VAL-BUF DSP-BUF
                                 RC STUB
      *>   A negative zero (what a truncating MOVE can leave) is shown
      *>   as 0 by COBOL's editing and by the mask alike, and comes
      *>   back as a plain zero.
           MOVE ALL "0" TO ZEROS-TEXT
           MOVE "p" TO ZEROS-TEXT(ORIG-LEN:1)
           IF RC NOT = 0
               MOVE "FAIL" TO VERDICT
           END-IF
           IF VAL-BUF(1:ORIG-LEN) NOT = ORIG(1:ORIG-LEN)
               IF ORIG(1:ORIG-LEN) = ZEROS-TEXT(1:ORIG-LEN)
                  AND VAL-BUF(1:ORIG-LEN) = ALL "0"
                   MOVE "PASS" TO VERDICT
               ELSE
                   MOVE "FAIL" TO VERDICT
               END-IF
           END-IF
           IF VERDICT = "PASS"
               ADD 1 TO PASSES
           ELSE
               ADD 1 TO FAILS
           END-IF
           MOVE RC TO SHOW-RC
           DISPLAY CASE-NAME " " ORIG(1:ORIG-LEN) " ["
                   DSP-BUF(1:WIDTH) "] [" VAL-BUF(1:ORIG-LEN) "] "
                   SHOW-RC " " VERDICT.

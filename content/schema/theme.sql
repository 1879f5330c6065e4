-- Settings database: the clinic's details and the show-logo setting, one row.
CREATE TABLE Theme (rid INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT, Adress TEXT, T1 TEXT, T2 TEXT, T3 TEXT, T4 TEXT, T5 TEXT, T6 TEXT, Check1 TEXT);
INSERT INTO Theme (Name, Adress, T1, T2, T3, T4, T5, T6, Check1) VALUES ('', '', '', '', '', '', '', '', '0');

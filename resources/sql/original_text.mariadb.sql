-- MariaDB and MySQL (also through ODBC)
-- The document table the host provides: one row per stored document of a business
-- record. The component reads, adds, renames, reorders and deletes rows; the host
-- creates the table once. InnoDB, so that an add's transaction really rolls back.
-- Keep the text columns on a collation that is not binary (no "_bin"): Qt's MySQL
-- driver hands values of binary-collated columns out as bytes, not as text.
CREATE TABLE Original_Text (
    ID varchar(40) NOT NULL,
    Original_Name varchar(255),
    Type varchar(20),
    RecordId varchar(100),
    FileOrder integer,
    FilePath varchar(255),
    Size bigint
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
CREATE INDEX Original_Text_RecordId ON Original_Text (RecordId);
CREATE INDEX Original_Text_ID ON Original_Text (ID);

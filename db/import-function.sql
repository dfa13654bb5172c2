-- The contract between the program and a company database: the program calls
--     SELECT * FROM o_import_factfi_vintra(pemitent text, pjson text)
-- with the operator's name and the invoice document, a JSON object of text
-- values:
--     {"cuiVintra":"4417209583","cuiEu":"...","dataFact":"...","nrFact":"...",
--      "poz":[{"com_int":"...","client":"...","tour":"...","data_sf_tour":"...","pret":"..."}, ...]}
-- Dates and numbers arrive as the operator's computer shows them (regional
-- settings). Whatever the function raises is shown to the operator as
-- "Eroare = " and the message; a function that returns counts as imported.
-- Every company provides its own function; this one is the demo's.

create table if not exists factura_vintra (
    id          serial primary key,
    operator    text not null,
    nr_fact     text not null unique,
    data_fact   text not null,
    cui_eu      text not null,
    primita_la  timestamptz not null default now()
);

create table if not exists factura_vintra_poz (
    factura_id    integer not null references factura_vintra(id) on delete cascade,
    nr            integer not null,
    com_int       text not null,
    client        text not null,
    tour          text not null,
    data_sf_tour  text not null,
    pret          text not null,
    primary key (factura_id, nr)
);

create or replace function o_import_factfi_vintra(pemitent text, pjson text)
returns integer
language plpgsql
as $$
declare
    doc json := pjson::json;
    new_id integer;
begin
    if doc->>'cuiVintra' is distinct from '4417209583' then
        raise exception 'Factura nu este emisa de Vintra (cod fiscal %)', coalesce(doc->>'cuiVintra', '-');
    end if;
    if exists (select 1 from factura_vintra where nr_fact = doc->>'nrFact') then
        raise exception 'Factura % a fost deja importata', doc->>'nrFact';
    end if;
    insert into factura_vintra (operator, nr_fact, data_fact, cui_eu)
    values (pemitent, doc->>'nrFact', doc->>'dataFact', coalesce(doc->>'cuiEu', ''))
    returning id into new_id;
    insert into factura_vintra_poz (factura_id, nr, com_int, client, tour, data_sf_tour, pret)
    select new_id, p.nr, p.line->>'com_int', p.line->>'client', p.line->>'tour', p.line->>'data_sf_tour', p.line->>'pret'
    from json_array_elements(doc->'poz') with ordinality as p(line, nr);
    return new_id;
end
$$;
